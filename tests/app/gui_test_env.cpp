#include "gui_test_env.h"

#include "platform/qt/label.h"
#include "platform/qt/memo.h"
#include "platform/qt/panel.h"
#include "platform/sjis.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTest>

BoxRecorder::BoxRecorder(std::function<void(const SeenBox&)> probe)
    : boxes_(std::make_shared<std::vector<SeenBox>>()),
      probe_(std::make_shared<std::function<void(const SeenBox&)>>(std::move(probe))),
      closer_([boxes = boxes_, probe = probe_](const QMessageBox& box) {
          SeenBox seen{box.windowTitle(), box.text(), box.icon(), box.standardButtons(),
                       box.frameGeometry()};
          if (*probe)
              (*probe)(seen);
          boxes->push_back(std::move(seen));
      })
{
}

std::string IniText(const std::vector<Account>& accounts)
{
    std::string text = "[SetInfo]\r\ncount=" + std::to_string(accounts.size()) + "\r\n";
    for (std::size_t n = 0; n < accounts.size(); ++n)
        text += "host" + std::to_string(n + 1) + "=" + accounts[n].name + "\r\n";
    for (const Account& account : accounts) {
        text += "\r\n[" + account.name + "]\r\nhost_pop=" + account.server + "\r\nid=" +
                account.id + "\r\npasswd=" + account.password +
                "\r\nport=" + std::to_string(account.port) + "\r\n" + account.extra;
    }
    return Utf8ToSjis(text);
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit.count())
            return false;
        QTest::qWait(10);
    }
    return true;
}

void WindowTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    savedCurrentDir_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
}

void WindowTest::TearDown()
{
    hostInfo.reset();
    halvorn.reset();
    QDir::setCurrent(savedCurrentDir_);
}

void WindowTest::Start(const std::optional<std::string>& ini)
{
    const QString path = dir.filePath(QStringLiteral("tovik.ini"));
    if (ini) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(ini->data(), static_cast<qint64>(ini->size()));
    }
    halvorn = std::make_unique<THalvorn>(path.toStdString());
    hostInfo = std::make_unique<THostInfo>();
    halvorn->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(halvorn.get()));
}

void MouseClick(QAbstractButton& button)
{
    QTest::mouseClick(&button, Qt::LeftButton);
}

void WindowTest::Click(const char* name)
{
    MouseClick(Find<QAbstractButton>(name));
}

QString WindowTest::Caption(const char* labelName) const
{
    return Find<TLabel>(labelName).Caption();
}

TPanel& WindowTest::Panel() const
{
    return Find<TPanel>("cnctStatusPanel");
}

QStringList WindowTest::Lines(const char* memoName) const
{
    return MemoLines(Find<QPlainTextEdit>(memoName));
}

void WindowTest::ChooseAccount(int index)
{
    auto& combo = Find<QComboBox>("hostCmbBx");
    combo.showPopup();
    QAbstractItemView* view = combo.view();
    ASSERT_TRUE(WaitFor([view] { return view->isVisible(); }));
    const QRect item = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(WaitFor([view] { return !view->isVisible(); }));
}
