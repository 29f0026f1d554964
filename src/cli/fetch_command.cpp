// tovik-cli fetch: log in, the retrieval run, a summary, log out.

#include "cli/account_choice.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/pop3_session.h"
#include "cli/retrieval_run.h"
#include "cli/terminal_text.h"

#include <filesystem>
#include <system_error>

namespace {

void CheckDirectory(const std::string& dir)
{
    std::error_code error;
    if (!std::filesystem::is_directory(dir, error))
        throw CliError("no directory " + dir);
}

}  // namespace

int RunFetch(const CliOptions& options)
{
    const Thostrec account = ChooseAccount(LoadAccountTable(options), options);
    const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);
    if (options.dir)
        CheckDirectory(*options.dir);

    TPop3Client client;
    ConfigureClient(client, account, options);
    client.DeleteOnRead = options.deleteOnRead;
    client.Parse = options.parse;
    if (options.dir)
        client.SetAttachFilePath(*options.dir);

    LogIn(client, encoding);
    ProgressBar progress = TerminalProgressBar();
    const RunResult result = RetrieveAll(client, encoding, progress);
    std::fflush(stdout);
    WriteLine(stderr, std::to_string(result.Retrieved()) + " retrieved, " + std::to_string(result.failed) +
                          " failed of " + std::to_string(result.total));
    // Deletions take effect only with QUIT, so a failed QUIT is an error.
    LogOut(client, encoding);
    return result.failed > 0 ? kExitSomeFailed : kExitOk;
}
