#include "cli_process.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.Release()) {}
    Fd& operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = other.Release();
        }
        return *this;
    }
    ~Fd() { Close(); }
    int Get() const { return fd_; }
    int Release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct Channel {
    Fd parentEnd;
    Fd childEnd;
};

Channel MakePipe(bool parentWrites)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
    return parentWrites ? Channel{Fd(fds[1]), Fd(fds[0])} : Channel{Fd(fds[0]), Fd(fds[1])};
}

// A pseudo-terminal in raw mode, so the bytes arrive as the program wrote them.
Channel MakeTerminal()
{
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    termios mode{};
    ::tcgetattr(slave, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(slave, TCSANOW, &mode);
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    return {Fd(master), Fd(slave)};
}

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_{};
};

// Reads what is there; false at the end of the stream (EIO for a terminal
// whose other side has closed).
bool Drain(int fd, std::string& into)
{
    char buffer[65536];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return true;
    return false;
}

}  // namespace

std::string CliPath()
{
    const char* path = std::getenv("TOVIK_CLI");
    return path != nullptr ? path : "";
}

CliRun RunCli(const std::vector<std::string>& args, const CliSetup& setup)
{
    ::signal(SIGPIPE, SIG_IGN);  // a program that stops reading its input early
    const std::string program = setup.program.empty() ? CliPath() : setup.program;
    if (program.empty()) {
        ADD_FAILURE() << "TOVIK_CLI is not set: run the tests through CTest";
        return {};
    }

    Channel in = MakePipe(true);
    Channel out = MakePipe(false);
    Channel err = setup.stderrOnTerminal ? MakeTerminal() : MakePipe(false);

    SpawnActions actions;
    posix_spawn_file_actions_adddup2(actions.Get(), in.childEnd.Get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), out.childEnd.Get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(actions.Get(), err.childEnd.Get(), STDERR_FILENO);
    if (!setup.workDir.empty())
        posix_spawn_file_actions_addchdir_np(actions.Get(), setup.workDir.c_str());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, program.c_str(), actions.Get(), nullptr, argv.data(), environ);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(spawned);
        return {};
    }
    in.childEnd.Close();
    out.childEnd.Close();
    err.childEnd.Close();
    ::fcntl(in.parentEnd.Get(), F_SETFL, O_NONBLOCK);

    CliRun run;
    std::size_t written = 0;
    if (setup.input.empty())
        in.parentEnd.Close();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool outOpen = true;
    bool errOpen = true;
    bool timedOut = false;
    while (outOpen || errOpen) {
        if (std::chrono::steady_clock::now() > deadline) {
            timedOut = true;
            ::kill(pid, SIGKILL);
            break;
        }
        pollfd fds[3] = {{out.parentEnd.Get(), POLLIN, 0}, {err.parentEnd.Get(), POLLIN, 0},
                         {in.parentEnd.Get(), POLLOUT, 0}};
        if (!outOpen)
            fds[0].fd = -1;
        if (!errOpen)
            fds[1].fd = -1;
        if (::poll(fds, 3, 200) < 0 && errno != EINTR)
            break;
        if (fds[0].revents != 0)
            outOpen = Drain(out.parentEnd.Get(), run.out);
        if (fds[1].revents != 0)
            errOpen = Drain(err.parentEnd.Get(), run.err);
        if (fds[2].revents != 0) {
            const ssize_t sent = ::write(in.parentEnd.Get(), setup.input.data() + written, setup.input.size() - written);
            if (sent > 0)
                written += static_cast<std::size_t>(sent);
            if ((sent < 0 && errno != EAGAIN && errno != EINTR) || written == setup.input.size())
                in.parentEnd.Close();
        }
    }
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    if (timedOut)
        ADD_FAILURE() << "tovik-cli ran for over a minute and was killed";
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return run;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
