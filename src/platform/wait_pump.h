#pragma once
// The loop a socket's waits run in. The GUI installs a pump that keeps the
// window's events flowing while a socket waits; the command line and the
// tests use the plain poll() pump.

#include <functional>

enum class WaitFor { Readable, Writable };
enum class WaitResult { Ready, Woken, TimedOut };

class WaitPump {
public:
    virtual ~WaitPump() = default;

    // Wait until fd is ready, Wake() is called or timeoutMs passes (a value
    // below 0 means no limit). Events of the application may run meanwhile.
    virtual WaitResult Wait(int fd, WaitFor what, int timeoutMs) = 0;

    // End every wait in progress with WaitResult::Woken. Safe from inside a
    // handler that runs during a wait, and from another thread.
    virtual void Wake() = 0;

    // While no wait on fd runs, call onReadable when fd becomes readable.
    virtual void WatchIdle(int fd, std::function<void()> onReadable) = 0;

    // fd is about to be closed: forget it, and end any wait on it.
    virtual void Release(int fd) = 0;

    // Called now and then during long transfers that never need to wait, so
    // that a GUI pump can let the window breathe. Cheap when nothing is due.
    virtual void Breathe() {}
};

// The pump new sockets use unless told otherwise: the poll() pump until the
// application installs its own. The pump must outlive the sockets using it.
WaitPump& DefaultWaitPump();
void SetDefaultWaitPump(WaitPump* pump);
