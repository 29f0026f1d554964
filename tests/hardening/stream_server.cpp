#include "stream_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const char* what)
{
    throw std::runtime_error(std::string("StreamServer: ") + what + ": " + std::strerror(errno));
}

}  // namespace

bool StreamServer::Connection::Send(std::string_view bytes)
{
    if (socket_.Send(bytes) != IoResult::Ok)
        return false;
    server_.sent_ += bytes.size();
    return true;
}

bool StreamServer::Connection::SendFill(char fill, std::size_t count, std::size_t blockSize,
                                        std::chrono::milliseconds pause)
{
    const std::string block(blockSize, fill);
    while (count > 0) {
        const std::size_t n = std::min(count, block.size());
        if (!Send(std::string_view(block).substr(0, n)))
            return false;
        server_.fillStarted_ = true;
        count -= n;
        if (pause.count() > 0 && socket_.Pause(pause) != IoResult::Ok)
            return false;
    }
    return true;
}

bool StreamServer::Connection::Expect(std::string_view prefix)
{
    std::string line;
    if (socket_.ReadLine(&line) != IoResult::Ok)
        return false;
    const bool matches = line.starts_with(prefix);
    server_.Record(std::move(line));
    return matches;
}

bool StreamServer::Connection::Login(int messageCount)
{
    return Send("+OK ready\r\n") && Expect("USER") && Send("+OK\r\n") && Expect("PASS") && Send("+OK\r\n")
           && Expect("STAT") && Send("+OK " + std::to_string(messageCount) + " 1000\r\n");
}

StreamServer::StreamServer(std::function<void(Connection&)> play) : play_(std::move(play))
{
    listener_ = UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener_.Get() < 0)
        Fail("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        Fail("bind");
    if (::listen(listener_.Get(), 1) != 0)
        Fail("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        Fail("getsockname");
    port_ = ntohs(address.sin_port);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0)
        Fail("pipe2");
    stopRead_ = UniqueFd(pipeFds[0]);
    stopWrite_ = UniqueFd(pipeFds[1]);
    thread_ = std::thread([this] { Run(); });
}

StreamServer::~StreamServer()
{
    // Never read, so every later wait of the thread sees it and gives up.
    const char stop = 1;
    while (::write(stopWrite_.Get(), &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
}

std::vector<std::string> StreamServer::Received() const
{
    const std::lock_guard lock(mutex_);
    return received_;
}

bool StreamServer::WaitFinished(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return finishedChanged_.wait_for(lock, limit, [this] { return finished_; });
}

void StreamServer::Record(std::string line)
{
    const std::lock_guard lock(mutex_);
    received_.push_back(std::move(line));
}

void StreamServer::Run()
{
    UniqueFd socket = AcceptOne(listener_.Get(), stopRead_.Get());
    listener_.Reset();
    if (socket.Get() >= 0) {
        ScriptConnection connection(std::move(socket), stopRead_.Get());
        Connection played(connection, *this);
        play_(played);
        // Whatever the client still says, until it hangs up.
        std::string line;
        while (connection.ReadLine(&line) == IoResult::Ok)
            Record(std::move(line));
    }
    const std::lock_guard lock(mutex_);
    finished_ = true;
    finishedChanged_.notify_all();
}
