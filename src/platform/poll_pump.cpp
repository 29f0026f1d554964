#include "platform/poll_pump.h"

#include "platform/exception.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <vector>

PollPump::PollPump()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw ESockError("Initializaton of windows sockets failed");
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
}

PollPump::~PollPump()
{
    close(wakeRead_);
    close(wakeWrite_);
}

void PollPump::DrainWake()
{
    char sink[64];
    while (read(wakeRead_, sink, sizeof sink) > 0) {
    }
}

WaitResult PollPump::Wait(int fd, WaitFor what, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        pollfd fds[2] = {{fd, static_cast<short>(what == WaitFor::Readable ? POLLIN : POLLOUT), 0},
                         {wakeRead_, POLLIN, 0}};
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        const int n = poll(fds, 2, wait);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Ready;  // let the caller's own I/O call report the error
        }
        if (fds[1].revents) {
            DrainWake();
            return WaitResult::Woken;
        }
        if (fds[0].revents)
            return WaitResult::Ready;
        if (n == 0 && timeoutMs >= 0 && Clock::now() >= deadline)
            return WaitResult::TimedOut;
    }
}

void PollPump::Wake()
{
    const char one = 1;
    // A full pipe already holds a wake-up; nothing is lost.
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite_, &one, 1);
}

void PollPump::WatchIdle(int fd, std::function<void()> onReadable)
{
    if (onReadable)
        idle_[fd] = std::move(onReadable);
    else
        idle_.erase(fd);
}

void PollPump::Release(int fd)
{
    idle_.erase(fd);
}

int PollPump::ProcessIdle(int timeoutMs)
{
    if (idle_.empty())
        return 0;
    std::vector<pollfd> fds;
    for (const auto& [fd, callback] : idle_)
        fds.push_back({fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), timeoutMs) <= 0)
        return 0;
    int ran = 0;
    for (const pollfd& p : fds) {
        if (!p.revents)
            continue;
        const auto it = idle_.find(p.fd);
        if (it == idle_.end())
            continue;  // released by an earlier callback
        const auto callback = it->second;
        callback();
        ++ran;
    }
    return ran;
}
