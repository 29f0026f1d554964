#pragma once
// A WaitPump for the GUI: each wait runs a nested QEventLoop woken by a
// QSocketNotifier and a QTimer, so timers, clicks and repaints go on while a
// socket waits. Install one with SetDefaultWaitPump() right after the
// QApplication is created, before any socket exists.

#include "platform/wait_pump.h"

#include <QElapsedTimer>
#include <QObject>

#include <map>
#include <memory>
#include <vector>

class QEventLoop;
class QSocketNotifier;

class QtWaitPump final : public QObject, public WaitPump {
    Q_OBJECT
public:
    QtWaitPump();
    ~QtWaitPump() override;

    WaitResult Wait(int fd, WaitFor what, int timeoutMs) override;
    void Wake() override;
    void WatchIdle(int fd, std::function<void()> onReadable) override;
    void Release(int fd) override;
    void Breathe() override;

private:
    struct ActiveWait {
        QEventLoop* loop;
        int fd;
        WaitResult* result;
    };
    struct IdleWatch {
        std::unique_ptr<QSocketNotifier> notifier;
        std::function<void()> callback;
        int suspended = 0;  // waits on this fd that are under way
    };
    std::vector<ActiveWait> waits_;
    std::map<int, IdleWatch> idle_;
    QElapsedTimer sinceBreath_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::unique_ptr<QSocketNotifier> wakeNotifier_;

    void SuspendIdle(int fd);
    void ResumeIdle(int fd);
    void QuitAll(WaitResult why);
};
