#pragma once
// The retrieval run: messages 1 to the count of the login, in turn; one
// Subject line per retrieve-end event on standard output, one line per
// failure on standard error, and the run goes on after a failure.

#include "cli/options.h"
#include "cli/progress_bar.h"
#include "pop3/pop3_client.h"

struct RunResult {
    int total = 0;
    int failed = 0;
    int Retrieved() const { return total - failed; }
};

// Runs over a logged-in client. Exceptions outside the Exception family end
// the run and reach the caller.
RunResult RetrieveAll(TPop3Client& client, TextEncoding encoding, ProgressBar& progress);
