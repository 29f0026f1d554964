#include "platform/qt/qt_wait_pump.h"

#include "platform/exception.h"
#include "platform/guard.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Long transfers that never wait let the window repaint this often.
constexpr int kBreathIntervalMs = 20;
}

QtWaitPump::QtWaitPump()
{
    // Wake() may come from another thread; a pipe carries it into the loop.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw ESockError("Initializaton of windows sockets failed");
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    wakeNotifier_ = std::make_unique<QSocketNotifier>(wakeRead_, QSocketNotifier::Read);
    connect(wakeNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        char sink[64];
        while (read(wakeRead_, sink, sizeof sink) > 0) {
        }
        QuitAll(WaitResult::Woken);
    });
    sinceBreath_.start();
}

QtWaitPump::~QtWaitPump()
{
    wakeNotifier_.reset();
    idle_.clear();
    close(wakeRead_);
    close(wakeWrite_);
}

WaitResult QtWaitPump::Wait(int fd, WaitFor what, int timeoutMs)
{
    QEventLoop loop;
    WaitResult result = WaitResult::Woken;
    QSocketNotifier notifier(fd, what == WaitFor::Readable ? QSocketNotifier::Read : QSocketNotifier::Write);
    connect(&notifier, &QSocketNotifier::activated, &loop, [&] {
        notifier.setEnabled(false);
        result = WaitResult::Ready;
        loop.quit();
    });
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, [&] {
        result = WaitResult::TimedOut;
        loop.quit();
    });
    if (timeoutMs >= 0)
        timer.start(timeoutMs);

    SuspendIdle(fd);
    waits_.push_back({&loop, fd, &result});
    loop.exec();
    waits_.pop_back();
    ResumeIdle(fd);
    sinceBreath_.restart();
    return result;
}

void QtWaitPump::QuitAll(WaitResult why)
{
    for (const ActiveWait& wait : waits_) {
        *wait.result = why;
        wait.loop->quit();
    }
}

void QtWaitPump::Wake()
{
    // On the GUI thread end the waits at once; from elsewhere through the pipe.
    if (QThread::currentThread() == thread()) {
        QuitAll(WaitResult::Woken);
        return;
    }
    const char one = 1;
    [[maybe_unused]] const ssize_t ignored = write(wakeWrite_, &one, 1);
}

void QtWaitPump::WatchIdle(int fd, std::function<void()> onReadable)
{
    if (!onReadable) {
        idle_.erase(fd);
        return;
    }
    IdleWatch& watch = idle_[fd];
    watch.callback = std::move(onReadable);
    if (!watch.notifier) {
        watch.notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(watch.notifier.get(), &QSocketNotifier::activated, this, [this, fd] {
            const auto it = idle_.find(fd);
            if (it == idle_.end() || it->second.suspended > 0)
                return;
            const auto callback = it->second.callback;  // the callback may drop the watch
            RunGuarded(callback);
        });
    }
    watch.notifier->setEnabled(watch.suspended == 0);
}

void QtWaitPump::Release(int fd)
{
    idle_.erase(fd);
    for (const ActiveWait& wait : waits_) {
        if (wait.fd == fd) {
            *wait.result = WaitResult::Woken;
            wait.loop->quit();
        }
    }
}

void QtWaitPump::SuspendIdle(int fd)
{
    const auto it = idle_.find(fd);
    if (it == idle_.end())
        return;
    ++it->second.suspended;
    it->second.notifier->setEnabled(false);
}

void QtWaitPump::ResumeIdle(int fd)
{
    const auto it = idle_.find(fd);
    if (it == idle_.end())
        return;
    if (it->second.suspended > 0)
        --it->second.suspended;
    if (it->second.suspended == 0)
        it->second.notifier->setEnabled(true);
}

void QtWaitPump::Breathe()
{
    if (sinceBreath_.elapsed() < kBreathIntervalMs)
        return;
    sinceBreath_.restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
