#include "cli/pop3_session.h"

#include "app/account_connection.h"
#include "cli/exit_status.h"
#include "cli/terminal_text.h"
#include "platform/exception.h"

namespace {

std::string Where(const TPop3Client& client)
{
    return client.Host + ":" + std::to_string(client.Port);
}

}  // namespace

void ConfigureClient(TPop3Client& client, const Thostrec& account, const CliOptions& options)
{
    // The same hand-over as the windows', TLS settings included.
    try {
        ApplyAccount(account, client);
    } catch (const Exception& e) {
        const TextEncoding encoding = options.encoding.value_or(TextEncoding::Utf8);
        throw CliError("account " + TerminalLine(account.hostName, encoding) + ": " + TerminalLine(e.Message(), encoding));
    }
    client.TimeOut = options.timeoutMs.value_or(kDefaultTimeoutMs);
}

void LogIn(TPop3Client& client, TextEncoding encoding)
{
    try {
        client.Connect();
    } catch (const Exception& e) {
        throw CliError(TerminalLine(Where(client), encoding) + ": " + TerminalLine(e.Message(), encoding));
    }
}

void LogOut(TPop3Client& client, TextEncoding encoding)
{
    try {
        client.Disconnect();
    } catch (const Exception& e) {
        throw CliError(TerminalLine(Where(client), encoding) + ": QUIT failed: " +
                       TerminalLine(e.Message(), encoding));
    }
}
