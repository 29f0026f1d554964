// tovik-cli check: log in, print the STAT count, log out.

#include "cli/account_choice.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/pop3_session.h"
#include "cli/terminal_text.h"

int RunCheck(const CliOptions& options)
{
    const Thostrec account = ChooseAccount(LoadAccountTable(options), options);
    const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);

    TPop3Client client;
    ConfigureClient(client, account, options);
    LogIn(client, encoding);
    const int count = client.MessageCount();
    LogOut(client, encoding);
    WriteLine(stdout, std::to_string(count));
    return kExitOk;
}
