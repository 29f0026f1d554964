// tovik-cli: the accounts of tovik.ini, checked and fetched from a terminal.

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/help.h"
#include "cli/options.h"
#include "cli/terminal_text.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

int Dispatch(const CliOptions& options)
{
    if (options.help) {
        std::fputs(HelpText(options.command).c_str(), stdout);
        return kExitOk;
    }
    switch (options.command) {
    case Command::Accounts:
        return RunAccounts(options);
    case Command::Check:
        return RunCheck(options);
    case Command::Fetch:
        return RunFetch(options);
    case Command::DecodeHeader:
        return RunDecodeHeader(options);
    case Command::None:
        break;
    }
    throw UsageError("no command given");
}

void Complain(const std::string& message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "tovik-cli: %s\n", message.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    int status = kExitError;
    try {
        status = Dispatch(ParseArguments(args));
    } catch (const UsageError& e) {
        Complain(e.what());
        std::fputs("Try 'tovik-cli --help'.\n", stderr);
        return kExitError;
    } catch (const CliError& e) {
        Complain(e.what());
        return kExitError;
    } catch (const std::exception& e) {
        // Anything else that ends a command: say it, never dump core over it.
        Complain(TerminalLine(e.what(), TextEncoding::Utf8));
        return kExitError;
    }
    if (std::fflush(stdout) != 0) {
        Complain("cannot write standard output");
        return kExitError;
    }
    return status;
}
