#include "support/script_connection.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

void UniqueFd::Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

IoResult WaitForFd(int fd, short events, int stopFd, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() < 0) return IoResult::TimedOut;
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {fd, events, 0}};
        const nfds_t count = fd >= 0 ? 2 : 1;
        const int ready = ::poll(fds, count, static_cast<int>(left.count()));
        if (ready < 0) {
            if (errno == EINTR) continue;
            return IoResult::Failed;
        }
        if (fds[0].revents != 0) return IoResult::Stopped;
        if (ready == 0) return fd >= 0 ? IoResult::TimedOut : IoResult::Ok;
        return IoResult::Ok;
    }
}

UniqueFd AcceptOne(int listenFd, int stopFd) {
    for (;;) {
        if (WaitForFd(listenFd, POLLIN, stopFd, kScriptIdleLimit) != IoResult::Ok) return UniqueFd();
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) return UniqueFd(fd);
        if (errno != EINTR && errno != EAGAIN && errno != ECONNABORTED) return UniqueFd();
    }
}

ScriptConnection::ScriptConnection(UniqueFd socket, int stopFd) : socket_(std::move(socket)), stopFd_(stopFd) {}

IoResult ScriptConnection::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t sent = ::send(socket_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const IoResult waited = WaitForFd(socket_.Get(), POLLOUT, stopFd_, kScriptIdleLimit);
            if (waited != IoResult::Ok) return waited;
            continue;
        }
        if (sent < 0 && (errno == EPIPE || errno == ECONNRESET)) return IoResult::Closed;
        return IoResult::Failed;
    }
    return IoResult::Ok;
}

IoResult ScriptConnection::Drip(std::string_view bytes, std::chrono::milliseconds pause) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            const IoResult paused = Pause(pause);
            if (paused != IoResult::Ok) return paused;
        }
        const IoResult sent = Send(bytes.substr(i, 1));
        if (sent != IoResult::Ok) return sent;
    }
    return IoResult::Ok;
}

IoResult ScriptConnection::Pause(std::chrono::milliseconds duration) {
    const IoResult waited = WaitForFd(-1, 0, stopFd_, duration);
    return waited == IoResult::Stopped || waited == IoResult::Failed ? waited : IoResult::Ok;
}

IoResult ScriptConnection::ReadLine(std::string* line) {
    for (;;) {
        const auto lf = pending_.find('\n');
        if (lf != std::string::npos) {
            std::size_t end = lf;
            if (end > 0 && pending_[end - 1] == '\r') --end;
            line->assign(pending_, 0, end);
            pending_.erase(0, lf + 1);
            return IoResult::Ok;
        }
        if (eof_) {
            if (pending_.empty()) return IoResult::Closed;
            line->swap(pending_);
            pending_.clear();
            return IoResult::Ok;
        }
        char buffer[65536];
        const ssize_t got = ::recv(socket_.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            pending_.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || errno == ECONNRESET) {
            eof_ = true;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            const IoResult waited = WaitForFd(socket_.Get(), POLLIN, stopFd_, kScriptIdleLimit);
            if (waited != IoResult::Ok) return waited;
        } else if (errno != EINTR) {
            return IoResult::Failed;
        }
    }
}

void ScriptConnection::ShutdownSending() { ::shutdown(socket_.Get(), SHUT_WR); }

void ScriptConnection::Abort() {
    const linger hard{1, 0};
    ::setsockopt(socket_.Get(), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    socket_.Reset();
}
