// Parsing the command line: a command, then its options in any order.

#include "cli/options.h"

#include "cli/exit_status.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <string_view>

namespace {

struct CommandInfo {
    Command command;
    const char* name;
    std::vector<std::string_view> options;  // besides --help
};

const std::array<CommandInfo, 4>& Commands()
{
    static const std::array<CommandInfo, 4> commands{{
        {Command::Accounts, "accounts", {"--ini", "--sjis", "--utf8"}},
        {Command::Check, "check", {"--ini", "--account", "--port", "--timeout", "--sjis", "--utf8"}},
        {Command::Fetch, "fetch",
         {"--ini", "--account", "--port", "--timeout", "--delete", "--keep", "--parse", "--dir", "--sjis", "--utf8"}},
        {Command::DecodeHeader, "decode-header", {"--sjis", "--utf8"}},
    }};
    return commands;
}

bool TakesValue(std::string_view option)
{
    return option == "--ini" || option == "--account" || option == "--port" || option == "--timeout" ||
           option == "--dir";
}

// A decimal whole number within [low, high]; nothing else, no sign.
std::optional<int> ParseNumber(std::string_view text, int low, int high)
{
    int value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != last || value < low || value > high)
        return std::nullopt;
    return value;
}

int NumberOption(std::string_view option, const std::string& value, int low, int high)
{
    const auto number = ParseNumber(value, low, high);
    if (!number)
        throw UsageError(std::string(option) + " needs a number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + value + "'");
    return *number;
}

void ApplyOption(CliOptions& options, std::string_view option, const std::string& value, bool& sawKeep)
{
    if (option == "--ini")
        options.iniPath = value;
    else if (option == "--account")
        options.account = value;
    else if (option == "--port")
        options.port = NumberOption(option, value, 1, 65535);
    else if (option == "--timeout")
        options.timeoutMs = NumberOption(option, value, 0, std::numeric_limits<int>::max());
    else if (option == "--dir")
        options.dir = value;
    else if (option == "--delete")
        options.deleteOnRead = true;
    else if (option == "--keep")
        sawKeep = true;
    else if (option == "--parse")
        options.parse = true;
    else if (option == "--sjis")
        options.encoding = TextEncoding::Sjis;
    else if (option == "--utf8")
        options.encoding = TextEncoding::Utf8;
}

}  // namespace

const char* CommandName(Command command)
{
    for (const CommandInfo& info : Commands())
        if (info.command == command)
            return info.name;
    return "";
}

CliOptions ParseArguments(const std::vector<std::string>& args)
{
    CliOptions options;
    if (args.empty())
        throw UsageError("no command given");

    const std::string& first = args.front();
    if (first == "--help" || first == "-h") {
        options.help = true;
        return options;
    }
    if (first == "help") {
        options.help = true;
        if (args.size() > 1)
            options.command = ParseArguments({args[1], "--help"}).command;
        return options;
    }

    const auto info = std::find_if(Commands().begin(), Commands().end(),
                                     [&first](const CommandInfo& c) { return first == c.name; });
    if (info == Commands().end())
        throw UsageError(first.starts_with("-") ? "no command before option '" + first + "'"
                                                : "unknown command '" + first + "'");
    options.command = info->command;

    bool sawKeep = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            continue;
        }
        if (!arg.starts_with("-"))
            throw UsageError(std::string(info->name) + " takes no argument '" + arg + "'");

        // --name=value or --name value
        const std::size_t equals = arg.find('=');
        const std::string_view option = std::string_view(arg).substr(0, equals);
        if (std::find(info->options.begin(), info->options.end(), option) == info->options.end())
            throw UsageError(std::string(info->name) + " has no option '" + std::string(option) + "'");

        std::string value;
        if (TakesValue(option)) {
            if (equals != std::string::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                throw UsageError(std::string(option) + " needs a value");
            }
            if (value.empty())
                throw UsageError(std::string(option) + " needs a value");
        } else if (equals != std::string::npos) {
            throw UsageError(std::string(option) + " takes no value");
        }
        ApplyOption(options, option, value, sawKeep);
    }
    // Deleting mail is never a guess between two contradicting flags.
    if (options.deleteOnRead && sawKeep)
        throw UsageError("--delete and --keep exclude each other");
    return options;
}
