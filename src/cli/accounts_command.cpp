// tovik-cli accounts: the account table, without passwords.

#include "cli/account_choice.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"

int RunAccounts(const CliOptions& options)
{
    const Thostdata& table = LoadAccountTable(options);
    const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);
    for (int n = 1; n <= table.hostCount; ++n) {
        const Thostrec& host = table.hosts[static_cast<std::size_t>(n)];
        WriteLine(stdout, std::to_string(n) + "\t" + TerminalLine(host.hostName, encoding) + "\t" +
                              TerminalLine(host.popServer, encoding) + "\t" + TerminalLine(host.userId, encoding));
    }
    return kExitOk;
}
