#pragma once
// Exit statuses of tovik-cli, and the failure that ends a command early.

#include <stdexcept>
#include <string>

inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;  // fetch: at least one message failed
inline constexpr int kExitError = 2;       // usage, settings or connection

// Ends the command with one line "tovik-cli: <message>" and kExitError.
// The message is already terminal text.
class CliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line that makes no sense; main adds a hint to --help.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
