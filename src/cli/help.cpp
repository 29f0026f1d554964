// The --help texts. They are the command-line section of README.md in short.

#include "cli/help.h"

namespace {

const char* const kProgramHelp =
    "Usage: tovik-cli COMMAND [OPTIONS]\n"
    "\n"
    "Checks and fetches POP3 mail of the accounts in tovik.ini, as the tovik\n"
    "window does, from the command line.\n"
    "\n"
    "Commands:\n"
    "  accounts        list the accounts of the settings file\n"
    "  check           log in and print the number of waiting messages\n"
    "  fetch           retrieve every waiting message, one Subject a line\n"
    "  decode-header   decode ISO-2022-JP encoded words, one line at a time\n"
    "\n"
    "'tovik-cli COMMAND --help' tells the options of a command.\n"
    "\n"
    "Exit status: 0 success, 1 some messages failed (fetch), 2 usage,\n"
    "settings or connection error.\n";

const char* const kAccountsHelp =
    "Usage: tovik-cli accounts [--ini FILE] [--sjis]\n"
    "\n"
    "Lists the accounts of the settings file, one line each: number, name,\n"
    "server and user ID, separated by tabs. Passwords are never shown.\n"
    "\n"
    "  --ini FILE   the settings file (default: tovik.ini beside the program)\n"
    "  --sjis       write names as Shift-JIS bytes instead of UTF-8\n";

const char* const kCheckHelp =
    "Usage: tovik-cli check [--ini FILE] [--account N|NAME] [--port N]\n"
    "                       [--timeout MS]\n"
    "\n"
    "Logs in to the account's POP3 server, prints the number of waiting\n"
    "messages (STAT) and logs out (QUIT). Nothing is retrieved or deleted.\n"
    "\n"
    "  --ini FILE         the settings file (default: tovik.ini beside the program)\n"
    "  --account N|NAME   the account, by number or by name (default: 1)\n"
    "  --port N           the server's port, instead of the account's\n"
    "  --timeout MS       limit of each wait for the server in milliseconds;\n"
    "                     0 waits without limit (default: 60000)\n"
    "  --sjis             write messages as Shift-JIS bytes instead of UTF-8\n";

const char* const kFetchHelp =
    "Usage: tovik-cli fetch [--ini FILE] [--account N|NAME] [--delete|--keep]\n"
    "                       [--parse] [--dir DIR] [--port N] [--timeout MS]\n"
    "\n"
    "Retrieves messages 1 to the count the server reports at login, in turn.\n"
    "For each retrieval the Subject, its encoded words decoded, is written as\n"
    "one line to standard output; each failure is written as one line to\n"
    "standard error, and the run goes on with the next message. At the end a\n"
    "line 'N retrieved, M failed of T' goes to standard error, then QUIT.\n"
    "Later parts of multipart messages are saved as files in DIR.\n"
    "\n"
    "  --ini FILE         the settings file (default: tovik.ini beside the program)\n"
    "  --account N|NAME   the account, by number or by name (default: 1)\n"
    "  --delete           delete each retrieved message on the server, after\n"
    "                     saving a copy MessageN.eml in DIR\n"
    "  --keep             leave the messages on the server (the default)\n"
    "  --parse            also run single-part bodies through the part decoder\n"
    "  --dir DIR          where files are written (default: the current directory)\n"
    "  --port N           the server's port, instead of the account's\n"
    "  --timeout MS       limit of each wait for the server in milliseconds;\n"
    "                     0 waits without limit (default: 60000)\n"
    "  --sjis             write Subjects as Shift-JIS bytes instead of UTF-8\n"
    "\n"
    "When standard error is a terminal, a progress line shows the message\n"
    "being fetched, the bytes so far and the rate.\n"
    "Exit status: 0 all retrieved, 1 some failed, 2 no connection or login.\n";

const char* const kDecodeHeaderHelp =
    "Usage: tovik-cli decode-header [--utf8]\n"
    "\n"
    "Reads header values from standard input, one a line, and writes each one\n"
    "with its ISO-2022-JP encoded words (=?ISO-2022-JP?B?...?=) decoded to\n"
    "Shift-JIS, one line of output for each line of input.\n"
    "\n"
    "  --utf8   convert the output to UTF-8\n"
    "  --sjis   write the Shift-JIS bytes as they are (the default)\n";

}  // namespace

std::string HelpText(Command command)
{
    switch (command) {
    case Command::Accounts:
        return kAccountsHelp;
    case Command::Check:
        return kCheckHelp;
    case Command::Fetch:
        return kFetchHelp;
    case Command::DecodeHeader:
        return kDecodeHeaderHelp;
    case Command::None:
        break;
    }
    return kProgramHelp;
}
