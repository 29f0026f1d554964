#pragma once
// The command line of tovik-cli, parsed into one record.

#include <optional>
#include <string>
#include <vector>

enum class Command { None, Accounts, Check, Fetch, DecodeHeader };

// How text for the terminal is written: converted to UTF-8, or as the
// Shift-JIS bytes the program works with.
enum class TextEncoding { Utf8, Sjis };

struct CliOptions {
    Command command = Command::None;
    bool help = false;
    std::optional<std::string> iniPath;
    std::optional<std::string> account;  // a number or an account name
    std::optional<int> port;
    std::optional<int> timeoutMs;
    bool deleteOnRead = false;
    bool parse = false;
    std::optional<std::string> dir;
    // Unset: the command's default (UTF-8, raw bytes for decode-header).
    std::optional<TextEncoding> encoding;
};

// The name a command is typed as ("decode-header").
const char* CommandName(Command command);

// UsageError for unknown commands or options, options the command does not
// take, missing or malformed values.
CliOptions ParseArguments(const std::vector<std::string>& args);
