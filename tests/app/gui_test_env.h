#pragma once
// Helpers for driving the real windows in the offscreen platform: a recorder
// that answers every modal message box with OK, a settings file writer, and a
// fixture that starts the program's two windows the way main() does.

#include "app/halvorn_window.h"
#include "app/host_info_window.h"
#include "platform/qt/modal_box_closer.h"

#include <gtest/gtest.h>

#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAbstractButton;
class QPlainTextEdit;
class TLabel;
class TPanel;

// A message box as the user saw it.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QRect frame;
};

// Answers every modal message box with OK and keeps what it showed. The
// optional probe runs while the box is up, to look at the windows then.
class BoxRecorder {
public:
    explicit BoxRecorder(std::function<void(const SeenBox&)> probe = {});
    const std::vector<SeenBox>& Boxes() const { return *boxes_; }
    void SetProbe(std::function<void(const SeenBox&)> probe) { *probe_ = std::move(probe); }

private:
    std::shared_ptr<std::vector<SeenBox>> boxes_;
    std::shared_ptr<std::function<void(const SeenBox&)>> probe_;
    TModalBoxCloser closer_;
};

// One account of a settings file; text in UTF-8, written as Shift-JIS.
struct Account {
    std::string name;
    std::string server = "127.0.0.1";
    std::string id = "joe";
    std::string password = "secret";
    int port = 110;
    std::string extra = {};  // further key=value lines of the section, CR LF ended
};

// The text of a tovik.ini (Shift-JIS) listing these accounts.
std::string IniText(const std::vector<Account>& accounts);

// Waits until done() holds, running the event loop; false after a generous
// limit.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds limit = std::chrono::seconds(10));

// Starts the windows on a settings file in a temporary directory, which is
// also the current directory (message parts are written there).
class WindowTest : public ::testing::Test {
protected:
    BoxRecorder boxes;
    QTemporaryDir dir;
    std::unique_ptr<THalvorn> halvorn;
    std::unique_ptr<THostInfo> hostInfo;

    void SetUp() override;
    void TearDown() override;

    // ini: Shift-JIS text of the settings file; nullopt: there is none.
    void Start(const std::optional<std::string>& ini);
    void Start(const std::vector<Account>& accounts) { Start(IniText(accounts)); }

    template <typename W>
    W& Find(const char* name) const
    {
        W* widget = halvorn->findChild<W*>(QLatin1String(name));
        if (widget == nullptr)
            throw std::runtime_error(std::string("no widget ") + name);
        return *widget;
    }

    // A mouse click on a control of the main window, found by name.
    void Click(const char* name);
    QString Caption(const char* labelName) const;
    TPanel& Panel() const;
    QStringList Lines(const char* memoName) const;
    // Picks entry index from the combo box's list with the mouse.
    void ChooseAccount(int index);

private:
    QString savedCurrentDir_;
};

void MouseClick(QAbstractButton& button);
