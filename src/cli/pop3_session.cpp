#include "cli/pop3_session.h"

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
    client.Host = account.popServer;
    client.Port = account.port;
    client.UserID = account.userId;
    client.Password = account.password;
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
