#pragma once
// Runs the built tovik-cli as a user would: arguments, standard input, the
// working directory and whether standard error is a terminal are the test's
// to choose; the output of both streams and the exit status come back.

#include <string>
#include <vector>

struct CliRun {
    int status = -1;  // exit status; 128 + N when killed by signal N
    std::string out;
    std::string err;
};

struct CliSetup {
    std::string input{};            // standard input; closed after it
    std::string workDir{};          // empty: the test's own
    std::string program{};          // empty: the built tovik-cli
    bool stderrOnTerminal = false;  // a pseudo-terminal instead of a pipe
};

// The program under test, from TOVIK_CLI (set by CTest).
std::string CliPath();

// Runs the program; a run that takes over a minute is killed and fails the test.
CliRun RunCli(const std::vector<std::string>& args, const CliSetup& setup = {});

// Text cut at LF; a last piece without LF counts as a line, an empty one not.
std::vector<std::string> SplitLines(const std::string& text);
