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
#include "platform/wait_pump.h"

#include <chrono>
#include <memory>
#include <string>

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
    // Exception "Not Connected" unless connected (OnConnectionRequired may repair).
    void CheckConnection();

protected:
    // Derived destructors call this before their own Abort(), so that closing
    // during destruction raises no events.
    void BeginDestroy() { destroying_ = true; }
    bool Destroying() const { return destroying_; }
    WaitPump& Pump() { return *pump_; }

private:
    enum class WaitEnd { Ready, Canceled, TimedOut };

    WaitPump* pump_;
    int fd_ = -1;
    bool connected_ = false;
    bool cancelRequested_ = false;
    bool peerClosed_ = false;
    bool destroying_ = false;
    std::string status_;
    // Received bytes not yet handed out: inbuf_[inpos_, end).
    std::string inbuf_;
    std::size_t inpos_ = 0;

    using Clock = std::chrono::steady_clock;
    Clock::time_point WaitDeadline() const;
    WaitEnd WaitOn(int fd, WaitFor what, Clock::time_point deadline);

    std::vector<std::string> LookUp(const std::string& host, bool& timedOut, bool& canceled);
    void CloseSocket(bool raiseEvent);
    void StartIdleWatch();
    void OnIdleReadable();
    // Reads what the socket has now. Returns false when it would block.
    bool ReceiveSome();
    std::size_t Buffered() const { return inbuf_.size() - inpos_; }
    [[noreturn]] void ThrowReadAborted();
};

// Windows Sockets style text for an errno value: "10054:Connection reset by peer".
std::string SocketErrorText(int errnoValue);
