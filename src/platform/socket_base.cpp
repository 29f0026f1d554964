#include "platform/socket_base.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
constexpr std::size_t kReadChunk = 64 * 1024;
}

struct TSocketBase::Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

TSocketBase::TSocketBase(TComponent* /*Owner*/, WaitPump* pump)
    : pump_(pump ? pump : &DefaultWaitPump())
{
}

TSocketBase::~TSocketBase()
{
    destroying_ = true;
    CloseSocket(false);
}

// --- status and small helpers ------------------------------------------------

void TSocketBase::StatusMessage(int Level, const std::string& Text)
{
    if (Level > ReportLevel)
        return;
    status_ = Text;
    if (destroying_ || !OnStatus)
        return;
    try {
        OnStatus(this, Text);
    } catch (...) {
        // A status report must never break the operation that made it.
    }
}

TSocketBase::Clock::time_point TSocketBase::WaitDeadline() const
{
    return TimeOut > 0 ? Clock::now() + std::chrono::milliseconds(TimeOut) : Clock::time_point::max();
}

void TSocketBase::ThrowReadAborted()
{
    cancelRequested_ = false;
    throw EAbortError("Socket readln aborted");
}

void TSocketBase::ThrowSocketError(int errnoValue)
{
    throw ESockError(SocketErrorText(errnoValue));
}

TSocketBase::WaitEnd TSocketBase::WaitOn(int fd, WaitFor what, Clock::time_point deadline)
{
    const std::uint64_t generation = generation_;
    const bool ownSocket = fd == fd_;
    for (;;) {
        if (cancelRequested_)
            return WaitEnd::Canceled;
        if (ownSocket && (generation != generation_ || fd_ < 0))
            return WaitEnd::Closed;
        int ms = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            ms = left > 0 ? static_cast<int>(left) : 0;
        }
        const WaitResult result = ms == 0 ? WaitResult::TimedOut : pump_->Wait(fd, what, ms);
        if (cancelRequested_)
            return WaitEnd::Canceled;
        if (ownSocket && (generation != generation_ || fd_ < 0))
            return WaitEnd::Closed;
        if (result == WaitResult::Ready)
            return WaitEnd::Ready;
        if (result == WaitResult::TimedOut && Clock::now() >= deadline) {
            Abort();
            return WaitEnd::TimedOut;
        }
    }
}

// --- name lookup ---------------------------------------------------------------

std::vector<TSocketBase::Address> TSocketBase::ResolveHost()
{
    bool askedForHelp = false;
    for (;;) {
        std::vector<Address> addresses;
        // Literal addresses need no lookup and never wait.
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        const std::string port = std::to_string(Port);
        if (!Host.empty() && getaddrinfo(Host.c_str(), port.c_str(), &hints, &found) == 0) {
            for (const addrinfo* a = found; a; a = a->ai_next) {
                Address address;
                std::memcpy(&address.storage, a->ai_addr, a->ai_addrlen);
                address.length = a->ai_addrlen;
                addresses.push_back(address);
            }
            freeaddrinfo(found);
        } else if (!Host.empty()) {
            addresses = LookUp(WaitDeadline());
            if (!addresses.empty())
                Raise(OnHostResolved, this);
        }
        if (!addresses.empty())
            return addresses;
        if (OnInvalidHost && !askedForHelp) {
            askedForHelp = true;
            bool handled = false;
            OnInvalidHost(handled);
            if (handled)
                continue;
        }
        throw ESockError("Null Remote Address");
    }
}

namespace {
// One name lookup on a thread of its own, so the window never freezes on a
// slow resolver. The job outlives an abandoned wait: the thread owns a share.
struct LookupJob {
    int wakeRead = -1;
    int wakeWrite = -1;
    std::atomic<bool> done{false};
    std::vector<std::pair<sockaddr_storage, socklen_t>> result;

    ~LookupJob()
    {
        if (wakeRead >= 0)
            close(wakeRead);
        if (wakeWrite >= 0)
            close(wakeWrite);
    }
};
}  // namespace

std::vector<TSocketBase::Address> TSocketBase::LookUp(Clock::time_point deadline)
{
    StatusMessage(4, "Resolving host");
    auto job = std::make_shared<LookupJob>();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        ThrowSocketError(errno);
    job->wakeRead = fds[0];
    job->wakeWrite = fds[1];

    std::thread([job, host = Host, port = std::to_string(Port)] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
        addrinfo* found = nullptr;
        if (getaddrinfo(host.c_str(), port.c_str(), &hints, &found) == 0) {
            for (const addrinfo* a = found; a; a = a->ai_next) {
                sockaddr_storage storage{};
                std::memcpy(&storage, a->ai_addr, a->ai_addrlen);
                job->result.emplace_back(storage, a->ai_addrlen);
            }
            freeaddrinfo(found);
        }
        job->done.store(true, std::memory_order_release);
        const char one = 1;
        [[maybe_unused]] const ssize_t ignored = write(job->wakeWrite, &one, 1);
    }).detach();

    while (!job->done.load(std::memory_order_acquire)) {
        const WaitEnd end = WaitOn(job->wakeRead, WaitFor::Readable, deadline);
        if (end == WaitEnd::TimedOut)
            throw ESockError("Host Lookup Timed Out");
        if (end == WaitEnd::Canceled)
            throw ESockError("Host Lookup Canceled");
    }
    std::vector<Address> addresses;
    for (const auto& [storage, length] : job->result) {
        Address address;
        address.storage = storage;
        address.length = length;
        addresses.push_back(address);
    }
    return addresses;
}

// --- connect and close ------------------------------------------------------------

void TSocketBase::Connect()
{
    StatusMessage(8, "Connecting");
    if (connected_)
        throw ESockError("Already connected");
    cancelRequested_ = false;
    const std::vector<Address> addresses = ResolveHost();

    const Clock::time_point deadline = WaitDeadline();
    for (const Address& address : addresses) {
        const int fd = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0)
            continue;
        bool established = ::connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0;
        if (!established && errno == EINPROGRESS) {
            const WaitEnd end = WaitOn(fd, WaitFor::Writable, deadline);
            if (end != WaitEnd::Ready) {
                pump_->Release(fd);
                close(fd);
                Raise(OnConnectionFailed, this);
                throw ESockError(end == WaitEnd::TimedOut ? "Connection Timed out" : "Connection Canceled");
            }
            int error = 0;
            socklen_t length = sizeof error;
            established = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
        pump_->Release(fd);
        if (!established) {
            close(fd);
            continue;
        }
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::unique_ptr<TlsSession> session;
        if (UseTls) {
            try {
                session = std::make_unique<TlsSession>(fd, Host, VerifyPeer, CaFile);
                Handshake(*session, fd, deadline);
            } catch (...) {
                session.reset();
                pump_->Release(fd);
                close(fd);
                throw;
            }
        }
        tls_ = std::move(session);
        fd_ = fd;
        ++generation_;
        connected_ = true;
        peerClosed_ = false;
        closedAtEof_ = false;
        DropBuffered();
        StartIdleWatch();
        return;
    }
    Raise(OnConnectionFailed, this);
    throw ESockError("Connection Failed");
}

void TSocketBase::Handshake(TlsSession& session, int fd, Clock::time_point deadline)
{
    StatusMessage(4, "TLS handshake");
    for (TlsSession::Want want = session.Handshake(); want != TlsSession::Want::Nothing; want = session.Handshake()) {
        const WaitEnd end = WaitOn(fd, want == TlsSession::Want::Read ? WaitFor::Readable : WaitFor::Writable, deadline);
        if (end == WaitEnd::TimedOut)
            throw ESockError("Connection Timed out");
        if (end != WaitEnd::Ready)
            throw ESockError("Connection Canceled");
    }
}

void TSocketBase::StartTls()
{
    if (fd_ < 0)
        ThrowSocketError(ENOTSOCK);
    if (tls_)
        throw ESockError("TLS is already on");
    // Bytes that came before the handshake were not protected: never use them.
    DropBuffered();
    try {
        auto session = std::make_unique<TlsSession>(fd_, Host, VerifyPeer, CaFile);
        Handshake(*session, fd_, WaitDeadline());
        tls_ = std::move(session);
    } catch (...) {
        CloseSocket(true);
        throw;
    }
}

bool TSocketBase::CloseSocket(bool raiseEvent)
{
    if (fd_ < 0)
        return false;
    pump_->Release(fd_);
    tls_.reset();
    close(fd_);
    fd_ = -1;
    idleWatching_ = false;
    ++generation_;
    connected_ = false;
    peerClosed_ = false;
    DropBuffered();
    if (raiseEvent && !destroying_)
        Raise(OnDisconnect, this);
    return true;
}

void TSocketBase::Disconnect()
{
    StatusMessage(8, "Disconnecting");
    closedAtEof_ = false;
    if (tls_)
        tls_->Shutdown();
    CloseSocket(true);
}

void TSocketBase::Abort()
{
    Cancel();
    if (connected_)
        Disconnect();
    ClearInput();
}

void TSocketBase::Cancel()
{
    StatusMessage(8, "Canceling");
    cancelRequested_ = true;
    pump_->Wake();
}

void TSocketBase::CheckConnection()
{
    StatusMessage(8, "Checking Connection");
    if (!connected_ && OnConnectionRequired) {
        bool handled = false;
        OnConnectionRequired(handled);
        if (handled && connected_)
            return;
    }
    if (!connected_)
        throw Exception("Not Connected");
}

// --- reading -------------------------------------------------------------------------

TSocketBase::Received TSocketBase::ReceiveSome()
{
    if (cap_ - end_ < kReadChunk) {
        if (begin_ > 0) {
            std::memmove(buf_.get(), buf_.get() + begin_, Buffered());
            end_ -= begin_;
            begin_ = 0;
        }
        if (cap_ - end_ < kReadChunk) {
            const std::size_t newCap = end_ + kReadChunk;
            auto bigger = std::make_unique_for_overwrite<char[]>(newCap);
            if (end_ > 0)
                std::memcpy(bigger.get(), buf_.get(), end_);
            buf_ = std::move(bigger);
            cap_ = newCap;
        }
    }
    const long n = tls_ ? ReadTls() : ReadPlain();
    if (n > 0) {
        end_ += static_cast<std::size_t>(n);
        return Received::Data;
    }
    if (n == 0) {
        peerClosed_ = true;
        return Received::Eof;
    }
    return Received::WouldBlock;
}

long TSocketBase::ReadPlain()
{
    for (;;) {
        const ssize_t n = recv(fd_, buf_.get() + end_, cap_ - end_, MSG_DONTWAIT);
        if (n >= 0)
            return static_cast<long>(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return -1;
        const int error = errno;
        // A reset is the server hanging up too: the connection is gone.
        CloseSocket(true);
        ThrowSocketError(error);
    }
}

long TSocketBase::ReadTls()
{
    TlsSession::Want want;
    try {
        return tls_->Read(buf_.get() + end_, cap_ - end_, want);
    } catch (const ESockError&) {
        CloseSocket(true);
        throw;
    }
}

void TSocketBase::ReadLn(std::string& Line)
{
    StatusMessage(8, "ReadLn");
    Line.clear();
    // The clock starts when the read first has to wait: most lines are
    // already buffered, and reading the clock for each would cost.
    std::optional<Clock::time_point> deadline;
    std::size_t scanned = 0;  // bytes of the buffer known to hold no LF
    for (;;) {
        if (cancelRequested_)
            ThrowReadAborted();
        if (Buffered() > scanned) {
            const char* start = buf_.get() + begin_;
            if (const void* lf = std::memchr(start + scanned, '\n', Buffered() - scanned)) {
                const std::size_t length = static_cast<const char*>(lf) - start + 1;
                if (length > kMaxLine)
                    break;
                Line.assign(start, length);
                begin_ += length;
                if (begin_ == end_)
                    DropBuffered();
                if (!idleWatching_ && !peerClosed_)
                    StartIdleWatch();
                return;
            }
            scanned = Buffered();
        }
        if (Buffered() > kMaxLine)
            break;
        if (fd_ < 0) {
            if (closedAtEof_)
                return;  // the server has gone and everything was read
            ThrowSocketError(ENOTSOCK);
        }
        if (peerClosed_) {
            if (Buffered() > 0) {
                // A last line without its LF: hand it out as it is.
                Line.assign(buf_.get() + begin_, Buffered());
                DropBuffered();
                return;
            }
            closedAtEof_ = true;
            CloseSocket(true);
            return;
        }
        const Received got = ReceiveSome();
        if (got == Received::Data) {
            pump_->Breathe();
            continue;
        }
        if (got == Received::Eof)
            continue;
        if (!deadline)
            deadline = WaitDeadline();
        const WaitEnd end = WaitOn(fd_, WaitFor::Readable, *deadline);
        if (end == WaitEnd::Canceled || end == WaitEnd::TimedOut)
            ThrowReadAborted();
    }
    // The line is longer than we accept. The rest of the stream is out of
    // step with the dialogue, so the connection is closed.
    CloseSocket(true);
    throw ESockError("Line too long: the server sent more than 65536 bytes without a line end");
}

void TSocketBase::Writeln(const std::string& Text)
{
    StatusMessage(8, "Writeln");
    if (cancelRequested_) {
        cancelRequested_ = false;
        throw EAbortError("Socket send aborted");
    }
    if (fd_ < 0)
        ThrowSocketError(ENOTSOCK);
    const std::string data = Text + "\r\n";
    if (tls_) {
        WriteTls(data);
        return;
    }
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(fd_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Commands are short; a full send buffer drains quickly. This
            // wait deliberately runs no events.
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, TimeOut > 0 ? TimeOut : -1) == 0)
                ThrowSocketError(ETIMEDOUT);
            continue;
        }
        const int error = errno;
        if (error == EPIPE || error == ECONNRESET)
            CloseSocket(true);
        ThrowSocketError(error);
    }
}

void TSocketBase::WriteTls(const std::string& data)
{
    std::size_t sent = 0;
    while (sent < data.size()) {
        TlsSession::Want want;
        long n = 0;
        try {
            n = tls_->Write(data.data() + sent, data.size() - sent, want);
        } catch (const ESockError&) {
            CloseSocket(true);
            throw;
        }
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        // Like a plain write, this wait deliberately runs no events.
        pollfd p{fd_, static_cast<short>(want == TlsSession::Want::Read ? POLLIN : POLLOUT), 0};
        if (poll(&p, 1, TimeOut > 0 ? TimeOut : -1) == 0)
            ThrowSocketError(ETIMEDOUT);
    }
}

void TSocketBase::Transaction(const std::string& Command, std::string& Reply)
{
    StatusMessage(8, "Transaction");
    Writeln(Command);
    ReadLn(Reply);
    StatusMessage(1, Reply);
}

void TSocketBase::ClearInput() noexcept
{
    StatusMessage(8, "Clearing Input");
    DropBuffered();
    // Raw bytes taken from under a TLS session would break it.
    if (fd_ < 0 || tls_)
        return;
    char sink[kReadChunk];
    [[maybe_unused]] const ssize_t ignored = recv(fd_, sink, sizeof sink, MSG_DONTWAIT);
}

// --- noticing a hang-up while idle --------------------------------------------------

void TSocketBase::StartIdleWatch()
{
    idleWatching_ = true;
    pump_->WatchIdle(fd_, [this] { OnIdleReadable(); });
}

void TSocketBase::StopIdleWatch()
{
    idleWatching_ = false;
    pump_->WatchIdle(fd_, nullptr);
}

void TSocketBase::OnIdleReadable()
{
    if (fd_ < 0)
        return;
    if (Buffered() >= kMaxLine) {
        // Unasked-for data piles up; stop listening until someone reads it.
        StopIdleWatch();
        return;
    }
    try {
        if (ReceiveSome() != Received::Eof)
            return;
    } catch (const ESockError&) {
        return;  // already closed, OnDisconnect raised
    }
    if (Buffered() == 0) {
        closedAtEof_ = true;
        CloseSocket(true);
    } else {
        StopIdleWatch();
    }
}
