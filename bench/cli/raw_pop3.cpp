// The floor for fetch: a minimal POP3 client that logs in, sends every RETR
// at once and only counts the bytes of each message up to its terminating
// line. Whatever it takes is the server's and the loopback's share.
//
//   bench_cli_raw_pop3 [--serial] HOST PORT USER PASSWORD
// --serial sends one RETR at a time, as fetch does, to show what the lack of
// pipelining costs by itself. Prints "N messages, B bytes, largest L" (bytes as sent, dot-stuffed lines
// with their CR LF, status and terminating lines left out).

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

class Connection {
public:
    Connection(const char* host, int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        if (fd_ < 0 || ::inet_pton(AF_INET, host, &address.sin_addr) != 1 ||
            ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            throw std::runtime_error(std::string("connect: ") + std::strerror(errno));
    }
    ~Connection() { ::close(fd_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // One reply line, CR LF included (login phase only).
    std::string Line()
    {
        for (;;) {
            const std::size_t lf = pending_.find('\n');
            if (lf != std::string::npos) {
                std::string line = pending_.substr(0, lf + 1);
                pending_.erase(0, lf + 1);
                return line;
            }
            Receive();
        }
    }
    std::string Command(const std::string& text)
    {
        SendAll(text + "\r\n");
        return Line();
    }
    void SendAll(const std::string& bytes)
    {
        for (std::size_t sent = 0; sent < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EINTR && errno != EAGAIN)
                throw std::runtime_error(std::string("send: ") + std::strerror(errno));
            if (n > 0)
                sent += static_cast<std::size_t>(n);
            else
                WaitWritable();
        }
    }
    int Fd() const { return fd_; }
    std::string TakePending() { return std::exchange(pending_, {}); }

private:
    int fd_;
    std::string pending_;

    void Receive()
    {
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0)
            throw std::runtime_error("connection closed during login");
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
    void WaitWritable()
    {
        pollfd p{fd_, POLLOUT, 0};
        ::poll(&p, 1, 1000);
    }
};

// Counts messages in the reply stream: a status line, then lines up to ".\r\n".
class ReplyCounter {
public:
    void Feed(const char* data, std::size_t size)
    {
        const char* end = data + size;
        while (data < end) {
            const char* lf = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
            const std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - data + 1) : static_cast<std::size_t>(end - data);
            if (partial_.empty() && lf != nullptr) {
                Line(data, take);  // the common case: no copy
            } else {
                partial_.append(data, take);
                if (lf != nullptr) {
                    Line(partial_.data(), partial_.size());
                    partial_.clear();
                }
            }
            data += take;
        }
    }
    int Messages() const { return messages_; }
    std::uint64_t Bytes() const { return bytes_; }
    std::uint64_t Largest() const { return largest_; }

private:
    bool inMessage_ = false;
    int messages_ = 0;
    std::uint64_t bytes_ = 0;
    std::uint64_t current_ = 0;
    std::uint64_t largest_ = 0;
    std::string partial_;

    void Line(const char* line, std::size_t size)
    {
        if (!inMessage_) {
            if (size < 3 || std::memcmp(line, "+OK", 3) != 0)
                throw std::runtime_error("RETR refused: " + std::string(line, size));
            inMessage_ = true;
            current_ = 0;
        } else if (size == 3 && std::memcmp(line, ".\r\n", 3) == 0) {
            inMessage_ = false;
            ++messages_;
            bytes_ += current_;
            largest_ = std::max(largest_, current_);
        } else {
            current_ += size;
        }
    }
};

void Expect(const std::string& reply, const char* what)
{
    if (reply.rfind("+OK", 0) != 0)
        throw std::runtime_error(std::string(what) + ": " + reply);
}

int Run(const char* host, int port, const std::string& user, const std::string& password, bool serial)
{
    Connection server(host, port);
    Expect(server.Line(), "greeting");
    Expect(server.Command("USER " + user), "USER");
    Expect(server.Command("PASS " + password), "PASS");
    const std::string stat = server.Command("STAT");
    Expect(stat, "STAT");
    const int count = std::stoi(stat.substr(4));

    ReplyCounter counter;
    const std::string early = server.TakePending();
    counter.Feed(early.data(), early.size());
    ::fcntl(server.Fd(), F_SETFL, ::fcntl(server.Fd(), F_GETFL) | O_NONBLOCK);
    std::vector<char> buffer(1 << 18);
    // Pipelined: every command at once. Serial: the next one only when the
    // message before it has ended.
    std::string commands;
    int queued = 0;
    const auto queue = [&](int upTo) {
        for (; queued < upTo; ++queued)
            commands += "RETR " + std::to_string(queued + 1) + "\r\n";
    };
    queue(serial ? std::min(1, count) : count);
    std::size_t sent = 0;
    while (counter.Messages() < count) {
        if (serial && counter.Messages() == queued)
            queue(queued + 1);
        pollfd p{server.Fd(), static_cast<short>(POLLIN | (sent < commands.size() ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, 30000) <= 0)
            throw std::runtime_error("server silent for 30 s");
        if ((p.revents & POLLOUT) != 0) {
            const ssize_t n = ::send(server.Fd(), commands.data() + sent, commands.size() - sent, MSG_NOSIGNAL);
            if (n > 0)
                sent += static_cast<std::size_t>(n);
        }
        if ((p.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(server.Fd(), buffer.data(), buffer.size(), 0);
            if (n == 0)
                throw std::runtime_error("connection closed after " + std::to_string(counter.Messages()) + " messages");
            if (n > 0)
                counter.Feed(buffer.data(), static_cast<std::size_t>(n));
            else if (errno != EAGAIN && errno != EINTR)
                throw std::runtime_error(std::string("recv: ") + std::strerror(errno));
        }
    }
    ::fcntl(server.Fd(), F_SETFL, ::fcntl(server.Fd(), F_GETFL) & ~O_NONBLOCK);
    server.SendAll("QUIT\r\n");

    std::printf("%d messages, %llu bytes, largest %llu\n", counter.Messages(),
                static_cast<unsigned long long>(counter.Bytes()), static_cast<unsigned long long>(counter.Largest()));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool serial = argc > 1 && std::string(argv[1]) == "--serial";
    if (argc != 5 + (serial ? 1 : 0)) {
        std::fprintf(stderr, "usage: bench_cli_raw_pop3 [--serial] HOST PORT USER PASSWORD\n");
        return 2;
    }
    char** arg = argv + (serial ? 2 : 1);
    try {
        return Run(arg[0], std::atoi(arg[1]), arg[2], arg[3], serial);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_cli_raw_pop3: %s\n", e.what());
        return 1;
    }
}
