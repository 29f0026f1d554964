#include "support/scripted_server.h"

#include "support/script_connection.h"
#include "support/script_step.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

struct ScriptedServer::State {
    std::vector<ScriptStep> steps;
    UniqueFd listener;
    UniqueFd stopRead;
    UniqueFd stopWrite;
    int port = 0;
    std::thread thread;

    mutable std::mutex mutex;
    std::condition_variable finishedChanged;
    std::vector<std::string> received;
    std::vector<std::string> mismatches;
    bool finished = false;

    void Run();
    // Plays the steps; true when the connection should be read to its end.
    bool Play(ScriptConnection& connection);
    void ReadUntilClientCloses(ScriptConnection& connection);
    void Record(std::string line) {
        const std::lock_guard lock(mutex);
        received.push_back(std::move(line));
    }
    void Mismatch(std::size_t index, const std::string& expected, const std::string& got) {
        const std::lock_guard lock(mutex);
        mismatches.push_back("step " + std::to_string(index + 1) + ": expected " + expected + ", got " + got);
    }
};

namespace {

[[noreturn]] void ThrowSystemError(const char* what) {
    throw std::runtime_error(std::string("ScriptedServer: ") + what + ": " + std::strerror(errno));
}

UniqueFd ListenOnLoopback(int* port) {
    UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (listener.Get() < 0) ThrowSystemError("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) ThrowSystemError("bind");
    if (::listen(listener.Get(), 1) != 0) ThrowSystemError("listen");
    socklen_t length = sizeof address;
    if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) ThrowSystemError("getsockname");
    *port = ntohs(address.sin_port);
    return listener;
}

}  // namespace

ScriptedServer::ScriptedServer(std::vector<std::string> transcript) : state_(std::make_shared<State>()) {
    state_->steps.reserve(transcript.size());
    for (auto& entry : transcript) state_->steps.push_back(ParseScriptStep(std::move(entry)));
    state_->listener = ListenOnLoopback(&state_->port);
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) ThrowSystemError("pipe2");
    state_->stopRead = UniqueFd(pipeFds[0]);
    state_->stopWrite = UniqueFd(pipeFds[1]);
    State* state = state_.get();
    state_->thread = std::thread([state] { state->Run(); });
}

ScriptedServer::~ScriptedServer() {
    // The byte is never read, so every later wait of the thread sees it.
    const char stop = 1;
    while (::write(state_->stopWrite.Get(), &stop, 1) < 0 && errno == EINTR) {
    }
    if (state_->thread.joinable()) state_->thread.join();
}

std::string ScriptedServer::Raw(std::string bytes) { return kRawStepMarker + std::move(bytes); }

int ScriptedServer::Port() const { return state_->port; }

std::vector<std::string> ScriptedServer::Received() const {
    const std::lock_guard lock(state_->mutex);
    return state_->received;
}

std::vector<std::string> ScriptedServer::Mismatches() const {
    const std::lock_guard lock(state_->mutex);
    return state_->mismatches;
}

bool ScriptedServer::WaitFinished(std::chrono::milliseconds limit) {
    std::unique_lock lock(state_->mutex);
    return state_->finishedChanged.wait_for(lock, limit, [this] { return state_->finished; });
}

void ScriptedServer::State::Run() {
    UniqueFd socket = AcceptOne(listener.Get(), stopRead.Get());
    listener.Reset();
    if (socket.Get() >= 0) {
        ScriptConnection connection(std::move(socket), stopRead.Get());
        if (Play(connection)) ReadUntilClientCloses(connection);
    }
    // The connection is closed when it goes out of scope above.
    const std::lock_guard lock(mutex);
    finished = true;
    finishedChanged.notify_all();
}

bool ScriptedServer::State::Play(ScriptConnection& connection) {
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const ScriptStep& step = steps[index];
        IoResult result = IoResult::Ok;
        switch (step.kind) {
            case ScriptStep::Kind::Send: result = connection.Send(step.text); break;
            case ScriptStep::Kind::Drip: result = connection.Drip(step.text, step.delay); break;
            case ScriptStep::Kind::Wait: result = connection.Pause(step.delay); break;
            case ScriptStep::Kind::Expect: {
                std::string line;
                result = connection.ReadLine(&line);
                if (result == IoResult::Ok) {
                    if (step.text != "*" && line != step.text) Mismatch(index, step.text, line);
                    Record(std::move(line));
                } else {
                    Mismatch(index, step.text, result == IoResult::Closed ? "the end of the connection" : "no line");
                }
                break;
            }
            case ScriptStep::Kind::Close: connection.ShutdownSending(); return true;
            case ScriptStep::Kind::Reset: connection.Abort(); return false;
            case ScriptStep::Kind::Silent: return true;
        }
        if (result != IoResult::Ok) return false;
    }
    return true;
}

void ScriptedServer::State::ReadUntilClientCloses(ScriptConnection& connection) {
    std::string line;
    while (connection.ReadLine(&line) == IoResult::Ok) Record(std::move(line));
}
