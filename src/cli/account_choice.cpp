#include "cli/account_choice.h"

#include "app/settings.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "platform/exception.h"
#include "platform/sjis.h"

#include <charconv>
#include <optional>

namespace {

std::string Plural(int n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// The account number --account gives, or nothing when it is a name.
std::optional<int> AccountNumber(const std::string& text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

}  // namespace

std::string SettingsPath(const CliOptions& options)
{
    return options.iniPath.value_or(ProgramDirectory() + "tovik.ini");
}

const Thostdata& LoadAccountTable(const CliOptions& options)
{
    // The tables live until the process ends, as the settings reader expects.
    static Thostdata hostData;
    static Tinidata iniData;
    HostData = &hostData;
    IniData = &iniData;

    const std::string path = SettingsPath(options);
    const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);
    try {
        if (!LoadSettings(path))
            throw CliError("no settings file at " + path);
    } catch (const EConvertError& e) {
        throw CliError(path + ": " + TerminalLine(e.Message(), encoding));
    }
    return hostData;
}

Thostrec ChooseAccount(const Thostdata& table, const CliOptions& options)
{
    const std::string wanted = options.account.value_or("1");
    const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);
    const int count = table.hostCount;

    int chosen = 0;
    if (const auto number = AccountNumber(wanted)) {
        if (*number < 1 || *number > count)
            throw CliError("no account " + wanted + " (" + Plural(count, "account") + ")");
        chosen = *number;
    } else {
        // Names in the file are Shift-JIS; the command line is UTF-8 as a rule.
        const std::string asSjis = Utf8ToSjis(wanted);
        for (int n = 1; n <= count && chosen == 0; ++n) {
            const std::string& name = table.hosts[static_cast<std::size_t>(n)].hostName;
            if (name == wanted || name == asSjis)
                chosen = n;
        }
        if (chosen == 0)
            throw CliError("no account named '" + TerminalLine(wanted, TextEncoding::Sjis) + "' (" +
                           Plural(count, "account") + ")");
    }

    Thostrec account = table.hosts[static_cast<std::size_t>(chosen)];
    if (account.popServer.empty())
        throw CliError("account " + std::to_string(chosen) + " (" + TerminalLine(account.hostName, encoding) +
                       ") has no server: host_pop is empty");
    if (options.port)
        account.port = *options.port;
    return account;
}
