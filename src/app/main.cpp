// tovik: start the application, the main window, then the account window.
//
// For unattended runs (demo scripts, xvfb-run):
//   --connect          press "接続／切断" once the window shows
//   --retrieve         then press "取得"
//   --screenshot FILE  then save the main window as PNG, print FILE, and quit
// Message boxes are then answered with OK and their texts printed.

#include "app/halvorn_window.h"
#include "app/host_info_window.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/modal_box_closer.h"
#include "platform/qt/qt_wait_pump.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

struct UnattendedRun {
    bool connect = false;
    bool retrieve = false;
    QString screenshot;

    bool Wanted() const { return connect || retrieve || !screenshot.isEmpty(); }
};

UnattendedRun ParseArguments(const QApplication& app)
{
    QCommandLineParser parser;
    const QCommandLineOption connect(u"connect"_s, u"Press the connect button once shown."_s);
    const QCommandLineOption retrieve(u"retrieve"_s, u"Then press the retrieve button."_s);
    const QCommandLineOption screenshot(u"screenshot"_s,
                                        u"Then save the main window as PNG and quit."_s,
                                        u"file"_s);
    parser.addOptions({connect, retrieve, screenshot});
    parser.addHelpOption();
    parser.process(app);
    return {parser.isSet(connect), parser.isSet(retrieve), parser.value(screenshot)};
}

void PrintBox(const QMessageBox& box)
{
    std::printf("[%s] %s\n", qUtf8Printable(box.windowTitle()), qUtf8Printable(box.text()));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QtWaitPump pump;
    SetDefaultWaitPump(&pump);
    InstallDefaultErrorDisplay();

    const UnattendedRun run = ParseArguments(app);
    std::unique_ptr<TModalBoxCloser> closer;
    if (run.Wanted())
        closer = std::make_unique<TModalBoxCloser>(PrintBox);

    int status = 0;
    {
        THalvorn halvorn;
        THostInfo hostInfo;
        halvorn.show();

        if (run.Wanted()) {
            QTimer::singleShot(0, &halvorn, [&halvorn, &run, &app] {
                if (run.connect)
                    halvorn.conctDisconctBtn->click();
                if (run.retrieve)
                    halvorn.mailGetBtn->click();
                if (!run.screenshot.isEmpty()) {
                    const bool saved = halvorn.grab().save(run.screenshot, "PNG");
                    std::printf("%s\n", qUtf8Printable(run.screenshot));
                    std::fflush(stdout);
                    app.exit(saved ? 0 : 1);
                }
            });
        }
        status = QApplication::exec();
    }
    SetDefaultWaitPump(nullptr);
    return status;
}
