#pragma once
// Logging in to an account's server and logging out, with failures turned
// into one line for the terminal.

#include "app/host_data.h"
#include "cli/options.h"
#include "pop3/pop3_client.h"

// Limit of each wait for the server when --timeout is not given.
inline constexpr int kDefaultTimeoutMs = 60000;

// Copies server, port, user ID, password, the TLS settings and the time-out
// into the client. CliError for an "ssl" value that is not understood.
void ConfigureClient(TPop3Client& client, const Thostrec& account, const CliOptions& options);

// Connect (USER, PASS, STAT). CliError "HOST:PORT: <reason>" on failure.
void LogIn(TPop3Client& client, TextEncoding encoding);

// QUIT and close. CliError "HOST:PORT: QUIT failed: <reason>" on failure.
void LogOut(TPop3Client& client, TextEncoding encoding);
