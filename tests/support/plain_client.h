#pragma once
// A plain blocking POSIX socket client for the tests of the test helpers.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

// A blocking client whose reads give up after a while, so a broken server
// fails the test instead of hanging it.
class PlainClient {
public:
    explicit PlainClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        timeval limit{10, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        connected_ = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~PlainClient() { Close(); }
    PlainClient(const PlainClient&) = delete;
    PlainClient& operator=(const PlainClient&) = delete;

    bool Connected() const { return connected_; }
    void Send(const std::string& bytes) { ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size())); }
    // Sends line + CR LF and returns the first reply line.
    std::string Command(const std::string& line) {
        Send(line + "\r\n");
        return ReadLine();
    }
    // Reads up to and including the next LF (or to the end of the stream).
    std::string ReadLine() {
        std::string line;
        char c = 0;
        while (::recv(fd_, &c, 1, 0) == 1) {
            line += c;
            if (c == '\n') break;
        }
        return line;
    }
    // Reads until the server ends the stream; the errno of a failed read is
    // left in *error (0 for a normal end).
    std::string ReadToEnd(int* error = nullptr) {
        std::string all;
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::recv(fd_, buffer, sizeof buffer, 0);
            if (got > 0) {
                all.append(buffer, static_cast<std::size_t>(got));
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (error != nullptr) *error = got == 0 ? 0 : errno;
            return all;
        }
    }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
    bool connected_ = false;
};
