// The account information window: what it shows, and that every way of
// closing it gives the main window back.

#include "gui_test_env.h"

#include "platform/qt/colors.h"
#include "platform/qt/label.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;

namespace {

class HostInfoTest : public WindowTest {
protected:
    void StartWithThree()
    {
        Start({{"テスト口座", "pop.first.example", "joe", "secret", 110},
               {"second", "pop.second.example", "ann", "pw2long", 110},
               {"third", "pop.third.example", "bob", "p3", 110}});
    }

    QLineEdit& Field(const char* name) const
    {
        auto* field = hostInfo->findChild<QLineEdit*>(QLatin1String(name));
        if (field == nullptr)
            throw std::runtime_error(std::string("no field ") + name);
        return *field;
    }

    void Open()
    {
        Click("hostInfBtn");
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hostInfo.get()));
    }

    QStringList Shown() const
    {
        return {Field("hostNameEdt").text(), Field("popServerEdt").text(),
                Field("userIdEdt").text(), Field("passwdEdt").displayText()};
    }
};

}  // namespace

TEST_F(HostInfoTest, ShowsTheChosenAccountWithTheMaskedPasswordAndOkGivesTheWindowBack)
{
    StartWithThree();
    ChooseAccount(1);

    Open();

    EXPECT_TRUE(hostInfo->isVisible());
    EXPECT_FALSE(halvorn->isEnabled());
    EXPECT_EQ(Shown(), (QStringList{u"second"_s, u"pop.second.example"_s, u"ann"_s, u"*******"_s}));
    EXPECT_EQ(Field("passwdEdt").text(), u"pw2long"_s);

    MouseClick(*hostInfo->okBtn);

    EXPECT_FALSE(hostInfo->isVisible());
    EXPECT_TRUE(halvorn->isEnabled());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(HostInfoTest, CloseBoxGivesTheWindowBackAndALaterChoiceShowsNextTime)
{
    StartWithThree();
    ChooseAccount(1);
    Open();

    hostInfo->windowHandle()->close();  // what the close box and Alt+F4 do

    EXPECT_FALSE(hostInfo->isVisible());
    EXPECT_TRUE(halvorn->isEnabled());

    ChooseAccount(2);
    Open();
    EXPECT_EQ(Shown(), (QStringList{u"third"_s, u"pop.third.example"_s, u"bob"_s, u"**"_s}));
    MouseClick(*hostInfo->okBtn);
    EXPECT_TRUE(halvorn->isEnabled());
}

TEST_F(HostInfoTest, FieldsAreFilledAtCreationForTheFirstAccount)
{
    StartWithThree();

    EXPECT_FALSE(hostInfo->isVisible());
    EXPECT_EQ(Shown(), (QStringList{u"テスト口座"_s, u"pop.first.example"_s, u"joe"_s, u"******"_s}));
}

TEST_F(HostInfoTest, HiddenUpdateButtonOpensTheWindowTheSameWay)
{
    StartWithThree();
    ChooseAccount(2);

    hostInfo->show();  // shown once, then closed: the next showing must refill
    hostInfo->close();
    ChooseAccount(1);
    halvorn->hostUpdBtn->click();  // never visible, so no mouse can reach it

    EXPECT_TRUE(hostInfo->isVisible());
    EXPECT_FALSE(halvorn->isEnabled());
    EXPECT_EQ(Shown().front(), u"second"_s);
    MouseClick(*hostInfo->okBtn);
    EXPECT_TRUE(halvorn->isEnabled());
}

TEST_F(HostInfoTest, NoAccountShowsEmptyFields)
{
    enum class Why { FileMissing, CountNotAccepted, TypedText };
    for (const Why why : {Why::FileMissing, Why::CountNotAccepted, Why::TypedText}) {
        SCOPED_TRACE(static_cast<int>(why));
        switch (why) {
        case Why::FileMissing:
            Start(std::nullopt);
            break;
        case Why::CountNotAccepted:
            Start(std::string("[SetInfo]\r\ncount=0\r\n"));
            break;
        case Why::TypedText:
            StartWithThree();
            QTest::keyClicks(Find<QComboBox>("hostCmbBx").lineEdit(), u"zz"_s);
            break;
        }
        Open();
        EXPECT_EQ(Shown(), QStringList(4, QString()));
        MouseClick(*hostInfo->okBtn);
        EXPECT_TRUE(halvorn->isEnabled());
        hostInfo.reset();
        halvorn.reset();
    }
}

TEST_F(HostInfoTest, FieldsAreReadOnlySilverAndTheWindowIsCentredOnlyTheFirstTime)
{
    StartWithThree();
    for (const char* name : {"hostNameEdt", "popServerEdt", "userIdEdt", "passwdEdt"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Field(name).isReadOnly());
        const QImage image = Field(name).grab().toImage();
        EXPECT_EQ(QColor(image.pixel(image.width() - 5, image.height() / 2)),
                  QColor(192, 192, 192));
    }
    EXPECT_EQ(Field("passwdEdt").echoMode(), QLineEdit::Password);
    EXPECT_EQ(hostInfo->windowTitle(), u"HostInfo"_s);

    Open();
    const QPoint screenCentre = hostInfo->screen()->availableGeometry().center();
    EXPECT_LE((hostInfo->geometry().center() - screenCentre).manhattanLength(), 4);
    hostInfo->move(10, 20);
    const QPoint placed = hostInfo->pos();
    MouseClick(*hostInfo->okBtn);

    Open();
    EXPECT_EQ(hostInfo->pos(), placed);
    MouseClick(*hostInfo->okBtn);
}

TEST_F(HostInfoTest, SecurityIsShownBesideTheServerOnlyForAccountsThatSetIt)
{
    Start({{"plain", "pop.plain.example", "joe", "pw", 110},
           {"secure", "pop.secure.example", "ann", "pw", 995, "ssl=pop3s\r\nverify=no\r\n"},
           {"upgrade", "pop.up.example", "bob", "pw", 110, "ssl=starttls\r\n"}});
    auto& security = *hostInfo->securityLbl;
    const QSize designed = hostInfo->size();

    Open();
    EXPECT_FALSE(security.isVisible());
    EXPECT_EQ(hostInfo->size(), designed);  // an account without TLS keys looks as it always did
    MouseClick(*hostInfo->okBtn);

    ChooseAccount(1);
    Open();
    EXPECT_TRUE(security.isVisible());
    EXPECT_EQ(security.text(), u"POP3S (証明書検証なし)"_s);
    EXPECT_GE(security.x(), Field("popServerEdt").geometry().right());
    EXPECT_EQ(security.y(), 47);
    EXPECT_GE(hostInfo->width(), security.geometry().right());
    QDir().mkpath(QStringLiteral(TOVIK_ARTEFACT_DIR));
    hostInfo->grab().save(QDir(QStringLiteral(TOVIK_ARTEFACT_DIR)).filePath(u"hostinfo-pop3s.png"_s));
    MouseClick(*hostInfo->okBtn);

    ChooseAccount(2);
    Open();
    EXPECT_EQ(security.text(), u"STARTTLS"_s);
    MouseClick(*hostInfo->okBtn);

    ChooseAccount(0);
    Open();
    EXPECT_FALSE(security.isVisible());
    EXPECT_EQ(hostInfo->size(), designed);
}
