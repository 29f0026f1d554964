#pragma once
// The socket side of ScriptedServer: waits that a stop pipe can cut short,
// and line reads and byte writes on one accepted connection.

#include <chrono>
#include <string>
#include <string_view>

// Longest single wait for the client (accept, a line, room to send). Keeps a
// broken test from hanging the server thread for ever.
inline constexpr std::chrono::seconds kScriptIdleLimit{60};

class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd_; }
    int Release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void Reset(int fd = -1);

private:
    int fd_ = -1;
};

enum class IoResult { Ok, Closed, Stopped, TimedOut, Failed };

// Waits until fd reports events, the stop fd becomes readable, or limit passes.
IoResult WaitForFd(int fd, short events, int stopFd, std::chrono::milliseconds limit);

// Accepts one connection on a listening socket; an invalid fd when stopped,
// timed out or failed.
UniqueFd AcceptOne(int listenFd, int stopFd);

class ScriptConnection {
public:
    ScriptConnection(UniqueFd socket, int stopFd);

    IoResult Send(std::string_view bytes);
    // One byte at a time with a pause after each but the last.
    IoResult Drip(std::string_view bytes, std::chrono::milliseconds pause);
    IoResult Pause(std::chrono::milliseconds duration);
    // The next line without its LF and a CR before it. A last line that the
    // client ended by closing comes back as a line; Closed follows.
    IoResult ReadLine(std::string* line);

    // Sends FIN: the client sees the end of the stream; reading goes on.
    void ShutdownSending();
    // Sends RST and drops the socket.
    void Abort();

private:
    UniqueFd socket_;
    int stopFd_;
    std::string pending_;
    bool eof_ = false;
};
