#include "driver_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Runs in the forked child, where only plain system calls are safe.
[[noreturn]] void StartDriver(const std::string& path, char* const* argv, int out, const DriverOptions& options)
{
    if (::dup2(out, STDOUT_FILENO) < 0)
        ::_exit(126);
    if (options.fileSizeLimit) {
        ::signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG, as on a full disk
        const rlimit limit{*options.fileSizeLimit, *options.fileSizeLimit};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(126);
    }
    if (options.runAs) {
        const auto id = static_cast<long>(*options.runAs);
        // Raw calls: the child has one thread, and glibc's wrappers would
        // try to tell the parent's other threads.
        if (::syscall(SYS_setgroups, 0, nullptr) != 0 || ::syscall(SYS_setresgid, id, id, id) != 0
            || ::syscall(SYS_setresuid, id, id, id) != 0)
            ::_exit(126);
    }
    ::execv(path.c_str(), argv);
    ::_exit(127);
}

}  // namespace

std::string RetrieveDriverPath() { return TOVIK_RETRIEVE_DRIVER; }

DriverProcess::DriverProcess(const DriverOptions& options)
{
    const std::string path = RetrieveDriverPath();
    std::vector<std::string> args = {path,        std::to_string(options.port), options.user, options.password,
                                     options.dir, std::to_string(options.timeOutMs)};
    if (options.limit >= 0)
        args.push_back(std::to_string(options.limit));
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    pid_ = ::fork();
    if (pid_ < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0)
        StartDriver(path, argv.data(), fds[1], options);
    ::close(fds[1]);
    out_ = fds[0];
}

DriverProcess::~DriverProcess()
{
    if (status_ < 0 && pid_ > 0)
        Kill();
    if (out_ >= 0)
        ::close(out_);
}

std::optional<std::string> DriverProcess::ReadLine(std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        if (const auto lf = pending_.find('\n'); lf != std::string::npos) {
            std::string line = pending_.substr(0, lf);
            pending_.erase(0, lf + 1);
            return line;
        }
        if (eof_) {
            if (pending_.empty())
                return std::nullopt;
            std::string line;
            line.swap(pending_);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return std::nullopt;
        pollfd ready{out_, POLLIN, 0};
        const int n = ::poll(&ready, 1, static_cast<int>(left));
        if (n < 0 && errno != EINTR)
            return std::nullopt;
        if (n <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got > 0)
            pending_.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            eof_ = true;
    }
}

std::vector<std::string> DriverProcess::ReadAll(std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    std::vector<std::string> lines;
    while (auto line = ReadLine(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())))
        lines.push_back(*line);
    return lines;
}

void DriverProcess::Kill()
{
    if (status_ >= 0 || pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    Wait(std::chrono::seconds(10));
}

int DriverProcess::Wait(std::chrono::milliseconds limit)
{
    if (status_ >= 0)
        return status_;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (done < 0 && errno != EINTR)
            return -1;
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
