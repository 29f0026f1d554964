// The windows as designed: control positions, captions that fit, and PNG
// renderings of both windows for a person to look at.

#include "gui_test_env.h"

#include "platform/qt/label.h"
#include "platform/qt/panel.h"
#include "support/scripted_server.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Placement {
    const char* name;
    QRect geometry;  // labels: left and top only, they size to their text
};

QString ArtefactPath(const QString& file)
{
    QDir().mkpath(QStringLiteral(TOVIK_ARTEFACT_DIR));
    return QDir(QStringLiteral(TOVIK_ARTEFACT_DIR)).filePath(file);
}

void ExpectPlaced(const QWidget& window, const Placement& p)
{
    SCOPED_TRACE(p.name);
    const auto* widget = window.findChild<const QWidget*>(QLatin1String(p.name));
    ASSERT_NE(widget, nullptr);
    if (qobject_cast<const TLabel*>(widget) != nullptr)
        EXPECT_EQ(widget->pos(), p.geometry.topLeft());
    else
        EXPECT_EQ(widget->geometry(), p.geometry);
}

// Every caption must fit the control it is on, in the font it is drawn in.
void ExpectCaptionsFit(const QWidget& window)
{
    for (const auto* label : window.findChildren<const TLabel*>()) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_GE(label->width(), QFontMetrics(label->font()).horizontalAdvance(label->text()));
    }
    for (const auto* button : window.findChildren<const QAbstractButton*>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_LE(button->sizeHint().width() - 2 * 6, button->width());  // minus margins
        EXPECT_LE(QFontMetrics(button->font()).height(), button->height());
    }
}

class LayoutTest : public WindowTest {};

}  // namespace

TEST_F(LayoutTest, MainWindowControlsSitWhereDesigned)
{
    Start({{"acct", "127.0.0.1", "joe", "secret", 110}});

    EXPECT_EQ(halvorn->size(), QSize(609, 446));
    const Placement placements[] = {
        {"Label1", {16, 16, 0, 0}},
        {"hostCmbBx", {64, 12, 105, 20}},
        {"hostInfBtn", {192, 8, 75, 25}},
        {"hostUpdBtn", {280, 8, 75, 25}},
        {"totalCntLbl", {24, 48, 0, 0}},
        {"messageGetCntLbl", {264, 48, 0, 0}},
        {"messageGetMemo", {16, 80, 585, 169}},
        {"messageGetErrCntLbl", {264, 264, 0, 0}},
        {"Memo1", {16, 296, 585, 73}},
        {"cnctStatusPanel", {16, 384, 97, 57}},
        {"conctDisconctBtn", {160, 384, 89, 25}},
        {"mailGetBtn", {264, 384, 89, 25}},
        {"messageDelChkBx", {160, 424, 145, 17}},
    };
    for (const Placement& p : placements)
        ExpectPlaced(*halvorn, p);
    ExpectCaptionsFit(*halvorn);
}

TEST_F(LayoutTest, HostInfoControlsSitWhereDesigned)
{
    Start({{"acct", "127.0.0.1", "joe", "secret", 110}});

    const Placement placements[] = {
        {"Label4", {8, 15, 0, 0}},
        {"hostNameEdt", {88, 11, 121, 20}},
        {"Label1", {8, 47, 0, 0}},
        {"popServerEdt", {88, 43, 121, 20}},
        {"Label2", {8, 79, 0, 0}},
        {"userIdEdt", {88, 75, 121, 20}},
        {"Label3", {8, 111, 0, 0}},
        {"passwdEdt", {88, 107, 121, 20}},
        {"okBtn", {75, 144, 73, 25}},
    };
    for (const Placement& p : placements)
        ExpectPlaced(*hostInfo, p);
    ExpectCaptionsFit(*hostInfo);
}

TEST_F(LayoutTest, RendersBothWindowsForInspection)
{
    ScriptedServer server({"S: +OK ready", "C: USER joe", "S: +OK", "C: PASS secret", "S: +OK",
                           "C: STAT", "S: +OK 3 999",
                           "C: RETR 1", "S: +OK", "S: Subject: Weekly report", "S:", "S: x", "S: .",
                           "C: DELE 1", "S: +OK",
                           "C: RETR 2", "S: -ERR no such message",
                           "C: RETR 3", "S: +OK", "S: Subject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=",
                           "S:", "S: x", "S: .", "C: DELE 3", "S: +OK"});
    Start({{"テスト口座", "127.0.0.1", "joe", "secret", server.Port()},
           {"second", "pop.example", "ann", "pw", 110}});
    const QString idle = ArtefactPath(u"halvorn-start.png"_s);
    ASSERT_TRUE(halvorn->grab().save(idle));

    Click("conctDisconctBtn");
    Click("mailGetBtn");
    const QString afterRun = ArtefactPath(u"halvorn-after-run.png"_s);
    ASSERT_TRUE(halvorn->grab().save(afterRun));
    EXPECT_EQ(Lines("messageGetMemo"),
              (QStringList{u" Weekly report"_s, u" Weekly report"_s, u" 日本語"_s}));

    Click("hostInfBtn");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(hostInfo.get()));
    const QString info = ArtefactPath(u"hostinfo.png"_s);
    ASSERT_TRUE(hostInfo->grab().save(info));
    const QString disabled = ArtefactPath(u"halvorn-while-hostinfo.png"_s);
    ASSERT_TRUE(halvorn->grab().save(disabled));
    MouseClick(*hostInfo->okBtn);
    std::printf("artefacts: %s\n", qUtf8Printable(QStringLiteral(TOVIK_ARTEFACT_DIR)));
}
