#pragma once
// One TCP client connection with line-oriented reads and writes, a per-wait
// time-out, status reports and connection events. Waits run inside a
// WaitPump, so in the GUI the window stays live while the socket waits.
//
// Everything here runs on one thread. Handlers raised during a wait (and the
// application's own events, in the GUI) may call back into the socket: Cancel()
// and Abort() end the wait under way with its "aborted"/"Canceled" error.

#include "platform/component.h"
#include "platform/exception.h"
#include "platform/tls_session.h"
#include "platform/wait_pump.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TSocketBase : public TComponent {
public:
    // Longest line ReadLn accepts (CR LF included); a longer one is an error.
    static constexpr std::size_t kMaxLine = 64 * 1024;

    explicit TSocketBase(TComponent* Owner = nullptr, WaitPump* pump = nullptr);
    ~TSocketBase() override;

    // --- published settings ---------------------------------------------
    std::string Host;
    int Port = 0;
    int TimeOut = 0;      // ms per single wait; 0 = no limit
    int ReportLevel = 0;  // StatusMessage texts of this level or lower reach OnStatus
    // TLS from the first byte (POP3S). VerifyPeer: the certificate must chain
    // to the trust store and name Host; off only for self-signed test servers.
    bool UseTls = false;
    bool VerifyPeer = true;
    std::string CaFile;  // trust only these certificates; empty: the system's store

    TNotifyEvent OnDisconnect;
    THandlerEvent OnInvalidHost;
    TOnHostResolved OnHostResolved;
    TOnStatus OnStatus;
    TNotifyEvent OnConnectionFailed;
    THandlerEvent OnConnectionRequired;
    TNotifyEvent OnPacketRecvd;

    // Kept for the component that publishes them; the socket never touches them.
    int BytesRecvd = 0;
    int BytesTotal = 0;

    // --- state -------------------------------------------------------------
    bool Connected() const { return connected_; }
    bool TlsActive() const { return tls_ != nullptr; }
    const std::string& Status() const { return status_; }

    // --- operations ---------------------------------------------------------
    // Opens the TCP connection to Host:Port. ESockError: "Already connected",
    // "Null Remote Address", "Host Lookup Timed Out", "Host Lookup Canceled",
    // "Connection Timed out", "Connection Canceled", "Connection Failed".
    virtual void Connect();
    // Closes the socket; OnDisconnect follows (not while destroying).
    virtual void Disconnect();
    // Writeln(Command), then ReadLn; the reply keeps its line end.
    virtual void Transaction(const std::string& Command, std::string& Reply);
    // Cancels the wait under way and closes without a goodbye. Called by the
    // socket itself when a wait runs out of time.
    virtual void Abort();

    // Sends Text + CR LF. EAbortError "Socket send aborted" with a pending
    // cancel request; ESockError on socket errors. Does not run the pump.
    void Writeln(const std::string& Text);
    // Next line up to and including LF, or "" once the server has closed and
    // nothing is left. EAbortError "Socket readln aborted"; ESockError.
    // The returned text is untrusted server input.
    void ReadLn(std::string& Line);
    void StatusMessage(int Level, const std::string& Text);
    // Drops what is buffered and up to 64 KiB pending on the socket.
    void ClearInput() noexcept;
    // Sets the cancel request and ends the wait under way.
    void Cancel();
    // Turns the open connection into a TLS one (after STLS). Whatever the
    // server sent before is dropped. On failure the connection is closed
    // (OnDisconnect) and ESockError says why; nothing more is sent.
    void StartTls();
    // Exception "Not Connected" unless connected (OnConnectionRequired may repair).
    void CheckConnection();

protected:
    // Derived destructors call this before their own Abort(), so that closing
    // during destruction raises no events.
    void BeginDestroy() { destroying_ = true; }
    bool Destroying() const { return destroying_; }
    WaitPump& Pump() { return *pump_; }

private:
    enum class WaitEnd { Ready, Canceled, TimedOut, Closed };
    struct Address;
    using Clock = std::chrono::steady_clock;

    WaitPump* pump_;
    int fd_ = -1;
    bool connected_ = false;
    bool cancelRequested_ = false;
    bool peerClosed_ = false;   // the server has hung up; what is buffered is all that comes
    bool closedAtEof_ = false;  // the last close came from the server hanging up
    bool destroying_ = false;
    bool idleWatching_ = false;
    std::uint64_t generation_ = 0;  // counts connections, so a wait notices a close under it
    std::string status_;
    std::unique_ptr<TlsSession> tls_;
    // Received bytes not yet handed out: buf_[begin_, end_).
    std::unique_ptr<char[]> buf_;
    std::size_t cap_ = 0;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;

    Clock::time_point WaitDeadline() const;
    // Waits on fd within deadline. On a time-out it calls Abort() first.
    WaitEnd WaitOn(int fd, WaitFor what, Clock::time_point deadline);
    std::vector<Address> ResolveHost();
    // Runs the TLS handshake on fd within deadline; ESockError on failure.
    void Handshake(TlsSession& session, int fd, Clock::time_point deadline);
    std::vector<Address> LookUp(Clock::time_point deadline);
    bool CloseSocket(bool raiseEvent);
    void StartIdleWatch();
    void StopIdleWatch();
    void OnIdleReadable();
    enum class Received { Data, Eof, WouldBlock };
    Received ReceiveSome();  // ESockError on a socket error (after closing)
    // One read into the buffer: >0 bytes, 0 the peer closed, <0 would block.
    long ReadPlain();
    long ReadTls();
    void WriteTls(const std::string& data);
    std::size_t Buffered() const { return end_ - begin_; }
    void DropBuffered() { begin_ = end_ = 0; }
    [[noreturn]] void ThrowReadAborted();
    [[noreturn]] void ThrowSocketError(int errnoValue);
};

// Windows Sockets style text for an errno value: "10054:Connection reset by peer".
std::string SocketErrorText(int errnoValue);
