#pragma once
// A WaitPump on poll(): blocks the calling thread, runs nothing else while it
// waits. Wake() works from other threads and from signal handlers.

#include "platform/wait_pump.h"

#include <map>

class PollPump final : public WaitPump {
public:
    PollPump();
    ~PollPump() override;
    PollPump(const PollPump&) = delete;
    PollPump& operator=(const PollPump&) = delete;

    WaitResult Wait(int fd, WaitFor what, int timeoutMs) override;
    void Wake() override;
    void WatchIdle(int fd, std::function<void()> onReadable) override;
    void Release(int fd) override;

    // Sit idle for up to timeoutMs, dispatching the idle watches that fire.
    // Returns the number of callbacks run. Lets a test play "the program sits
    // idle while the server hangs up".
    int ProcessIdle(int timeoutMs);

private:
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::map<int, std::function<void()>> idle_;
    void DrainWake();
};
