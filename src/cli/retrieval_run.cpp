#include "cli/retrieval_run.h"

#include "cli/terminal_text.h"
#include "jconv/zt_conv.h"
#include "platform/exception.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {

// The message as the server sent it, near enough for the progress line.
std::uint64_t MessageBytes(const TMailMessage& message)
{
    std::uint64_t bytes = 0;
    for (const std::string& line : message.Header)
        bytes += line.size() + 2;
    for (const std::string& line : message.RawLines)
        bytes += line.size() + 2;
    return bytes;
}

}  // namespace

RunResult RetrieveAll(TPop3Client& client, TextEncoding encoding, ProgressBar& progress)
{
    const TZtConv conv;
    // Subject lines cross the progress line only when both share the terminal.
    const bool stdoutOnTerminal = ::isatty(STDOUT_FILENO) == 1;

    RunResult result;
    result.total = client.MessageCount();  // taken once, whatever happens later
    int current = 0;
    std::uint64_t bytes = 0;

    client.OnRetrieveEnd = [&](TComponent*) {
        const std::string subject = conv.DecodeHeader(client.MailMessage().Subject);
        if (stdoutOnTerminal)
            progress.Clear();
        WriteLine(stdout, TerminalLine(subject, encoding));
    };
    // Raised for every line of a part: only worth its call when there is a bar.
    if (progress.Enabled())
        client.OnPacketRecvd = [&](TComponent*) { progress.Update(current, bytes); };

    progress.Start(result.total);
    for (current = 1; current <= result.total; ++current) {
        progress.Update(current, bytes);
        try {
            client.RetrieveMessage(current);
            bytes += MessageBytes(client.MailMessage());
        } catch (const Exception& e) {
            ++result.failed;
            progress.Clear();
            std::fflush(stdout);  // keep the order of the two streams on a terminal
            WriteLine(stderr, TerminalLine(e.Message(), encoding));
        }
    }
    progress.Clear();
    client.OnRetrieveEnd = nullptr;
    client.OnPacketRecvd = nullptr;
    return result;
}
