// Retrieves a mailbox in the real main window (offscreen) and reports how
// long the event loop went without a turn: a zero-interval timer stamps every
// iteration, and the longest gap between two stamps is what a user would feel
// as a frozen window.
//
//   bench_window INI_FILE        (the first account is used)

#include "app/halvorn_window.h"
#include "app/host_info_window.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/modal_box_closer.h"
#include "platform/qt/qt_wait_pump.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_window INI_FILE\n");
        return 2;
    }
    QtWaitPump pump;
    SetDefaultWaitPump(&pump);
    InstallDefaultErrorDisplay();
    TModalBoxCloser closer([](const QMessageBox& box) {
        std::fprintf(stderr, "[%s] %s\n", box.windowTitle().toUtf8().constData(), box.text().toUtf8().constData());
    });

    THalvorn window{std::string(argv[1])};
    THostInfo info;
    window.show();

    QElapsedTimer clock;
    std::vector<qint64> gaps;
    qint64 last = 0;
    QTimer stamp;
    QObject::connect(&stamp, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(now - last);
        last = now;
    });

    QTimer::singleShot(0, [&] {
        window.findChild<QPushButton*>("conctDisconctBtn")->click();
        clock.start();
        stamp.start(0);
        window.findChild<QPushButton*>("mailGetBtn")->click();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        stamp.stop();
        window.findChild<QPushButton*>("conctDisconctBtn")->click();

        std::sort(gaps.begin(), gaps.end());
        const auto ms = [](qint64 ns) { return static_cast<double>(ns) / 1e6; };
        const std::size_t n = gaps.size();
        std::printf("run %.2f s, %zu event-loop turns during it\n", seconds, n);
        if (n > 0)
            std::printf("gap between turns: median %.2f ms, 99th percentile %.2f ms, longest %.2f ms (target < 50 ms)\n",
                        ms(gaps[n / 2]), ms(gaps[std::min(n - 1, n * 99 / 100)]), ms(gaps.back()));
        QApplication::quit();
    });
    return QApplication::exec();
}
