#pragma once
// A loopback POP3 server whose one connection is played by a function on a
// thread of its own. Unlike the scripted server it can send data it never
// holds: a 100 MB line is written from one small block, again and again.

#include "support/script_connection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

class StreamServer {
public:
    // What the play function works with. Each call returns false once the
    // client has gone (or the test is over); the function should then return.
    class Connection {
    public:
        Connection(ScriptConnection& socket, StreamServer& server) : socket_(socket), server_(server) {}
        bool Send(std::string_view bytes);
        // count bytes of fill, sent from one block of blockSize bytes with a
        // pause after each block (zero: as fast as the client takes them).
        bool SendFill(char fill, std::size_t count, std::size_t blockSize = 64 * 1024,
                      std::chrono::milliseconds pause = std::chrono::milliseconds(0));
        // Reads one line from the client, records it, and checks its start.
        bool Expect(std::string_view prefix);
        // Greeting, then the replies to USER, PASS and STAT.
        bool Login(int messageCount);
        void Close() { socket_.ShutdownSending(); }

    private:
        ScriptConnection& socket_;
        StreamServer& server_;
    };

    explicit StreamServer(std::function<void(Connection&)> play);
    ~StreamServer();
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;

    int Port() const { return port_; }
    // Lines the client sent, without line ends, in order.
    std::vector<std::string> Received() const;
    // Bytes the client's socket has taken so far.
    std::size_t BytesSent() const { return sent_.load(); }
    // True once the first block of fill has been taken: the long line is under way.
    bool FillStarted() const { return fillStarted_.load(); }
    bool WaitFinished(std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    UniqueFd listener_;
    UniqueFd stopRead_;
    UniqueFd stopWrite_;
    int port_ = 0;
    std::function<void(Connection&)> play_;
    std::atomic<std::size_t> sent_{0};
    std::atomic<bool> fillStarted_{false};

    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    std::vector<std::string> received_;
    bool finished_ = false;
    std::thread thread_;  // last: starts once everything above exists

    void Run();
    void Record(std::string line);
};
