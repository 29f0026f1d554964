#pragma once
// Runs retrieve_driver as a child process, optionally with a file size limit
// (a full disk) or as an unprivileged user, and reads its output line by
// line; the test may kill it at any point.

#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

struct DriverOptions {
    int port = 0;
    std::string user;
    std::string password;
    std::string dir;      // attachment directory
    int timeOutMs = 10000;
    int limit = -1;       // retrieve only the first messages; -1: all
    std::optional<unsigned long> fileSizeLimit;  // RLIMIT_FSIZE in bytes, SIGXFSZ ignored
    std::optional<uid_t> runAs;                  // user and group to drop to before the start
};

class DriverProcess {
public:
    explicit DriverProcess(const DriverOptions& options);
    ~DriverProcess();  // kills the driver if it still runs
    DriverProcess(const DriverProcess&) = delete;
    DriverProcess& operator=(const DriverProcess&) = delete;

    // The next output line without its LF; nothing at the end of the output
    // or when limit passes first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds limit);
    // Every remaining line until the output ends or limit passes.
    std::vector<std::string> ReadAll(std::chrono::milliseconds limit);
    void Kill();
    // The exit status, or 128 + signal number; -1 if it did not end within limit.
    int Wait(std::chrono::milliseconds limit);

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string pending_;
    bool eof_ = false;
    int status_ = -1;
};

// Where the build put the driver.
std::string RetrieveDriverPath();
