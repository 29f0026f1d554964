#pragma once
// The commands of tovik-cli. Each returns the exit status; failures that end
// a command early are thrown as CliError.

#include "cli/options.h"

int RunAccounts(const CliOptions& options);
int RunCheck(const CliOptions& options);
int RunFetch(const CliOptions& options);
int RunDecodeHeader(const CliOptions& options);
