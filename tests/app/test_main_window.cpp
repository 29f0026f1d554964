// The main window: start-up with the settings file, connecting and
// disconnecting with the status panel, and the choice of account.

#include "gui_test_env.h"

#include "platform/qt/colors.h"
#include "platform/qt/label.h"
#include "platform/qt/message_boxes.h"
#include "platform/qt/panel.h"
#include "support/scripted_server.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

std::vector<Account> ThreeAccounts(int port = 110)
{
    return {{"テスト口座", "127.0.0.1", "joe", "secret", port},
            {"second", "127.0.0.1", "ann", "pw2", port},
            {"third", "127.0.0.1", "bob", "pw3", port}};
}

// The dialogue up to a STAT reply.
std::vector<std::string> LoginWithStat(const std::string& user, const std::string& password,
                                       const std::string& statReply)
{
    return {"S: +OK ready", "C: USER " + user, "S: +OK", "C: PASS " + password, "S: +OK",
            "C: STAT", "S: " + statReply};
}

std::vector<std::string> Append(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

// --- start-up ---------------------------------------------------------------

TEST_F(WindowTest, StartsWithTheAccountsOfTheFileAndAnIdlePanel)
{
    Start(ThreeAccounts());

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(halvorn->windowTitle(), u"Halvorn"_s);
    const auto& combo = Find<QComboBox>("hostCmbBx");
    ASSERT_EQ(combo.count(), 3);
    EXPECT_EQ(combo.itemText(0), u"テスト口座"_s);  // Shift-JIS in the file
    EXPECT_EQ(combo.itemText(1), u"second"_s);
    EXPECT_EQ(combo.itemText(2), u"third"_s);
    EXPECT_EQ(combo.currentIndex(), 0);
    EXPECT_EQ(combo.currentText(), u"テスト口座"_s);
    EXPECT_EQ(CurrentHost, 0);

    EXPECT_EQ(Caption("totalCntLbl"), u"総件数："_s);
    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数："_s);
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数："_s);
    EXPECT_EQ(Panel().Color(), clGray);
    EXPECT_TRUE(Panel().Caption().isEmpty());
    EXPECT_TRUE(Lines("messageGetMemo").isEmpty());
    EXPECT_TRUE(Lines("Memo1").isEmpty());
    EXPECT_TRUE(Find<QCheckBox>("messageDelChkBx").isChecked());
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
    EXPECT_FALSE(Find<QPushButton>("hostUpdBtn").isVisible());
}

TEST_F(WindowTest, MissingSettingsFileShowsTheWarningAndAnEmptyList)
{
    Start(std::nullopt);

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const SeenBox& box = boxes.Boxes().front();
    EXPECT_EQ(box.title, u"警告"_s);
    EXPECT_EQ(box.text, u"iniファイル not found ?"_s);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((box.frame.center() - screenCentre).manhattanLength(), 4);

    EXPECT_EQ(Find<QComboBox>("hostCmbBx").count(), 0);
    EXPECT_EQ(Find<QComboBox>("hostCmbBx").currentIndex(), -1);
}

TEST_F(WindowTest, CountThatIsNoNumberShowsTheConversionErrorAndNoWarning)
{
    Start(std::string("[SetInfo]\r\ncount=abc\r\nhost1=a\r\n"));

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const SeenBox& box = boxes.Boxes().front();
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.title, ApplicationTitle());
    EXPECT_EQ(box.text, u"'abc' is not a valid integer value."_s);
    EXPECT_EQ(Find<QComboBox>("hostCmbBx").count(), 0);
    EXPECT_TRUE(halvorn->isVisible());
}

TEST_F(WindowTest, CountOutsideOneToFiveGivesAnEmptyListWithoutAnyBox)
{
    Start(std::string("[SetInfo]\r\ncount=6\r\nhost1=a\r\n"));

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Find<QComboBox>("hostCmbBx").count(), 0);
}

// --- connecting and disconnecting -----------------------------------------

TEST_F(WindowTest, ConnectShowsConnectedOnLimeAndTheMessageCount)
{
    ScriptedServer server(LoginWithStat("joe", "secret", "+OK 12 34000"));
    Start(ThreeAccounts(server.Port()));

    Click("conctDisconctBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Panel().Caption(), u"接続中"_s);
    EXPECT_EQ(Panel().Color(), clLime);
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：12"_s);
    EXPECT_TRUE(halvorn->Pop3Client1.Connected());
    EXPECT_TRUE(server.Mismatches().empty());
}

TEST_F(WindowTest, ZeroMessagesShowsNoMessagesWaitingAndKeepsTheTotalBare)
{
    ScriptedServer server(LoginWithStat("joe", "secret", "+OK 0 0"));
    Start(ThreeAccounts(server.Port()));
    QString panelWhileBoxShown;
    boxes.SetProbe([&](const SeenBox&) { panelWhileBoxShown = Panel().Caption(); });

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    const SeenBox& box = boxes.Boxes().front();
    EXPECT_EQ(box.text, u"No messages waiting"_s);
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_EQ(box.title, ApplicationTitle());
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(panelWhileBoxShown, u"接続中"_s);
    EXPECT_EQ(Panel().Color(), clLime);
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数："_s);
}

TEST_F(WindowTest, EmptyPasswordShowsTheAuthenticationErrorAndTheBlinkingGoesOn)
{
    Start({{"nopass", "127.0.0.1", "joe", "", 110}});

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes().front().text, u"Authentication failed."_s);
    EXPECT_EQ(boxes.Boxes().front().icon, QMessageBox::Critical);
    EXPECT_TRUE(Find<QTimer>("Timer1").isActive());
    EXPECT_TRUE(Panel().Caption().isEmpty());
    // From the grey of the start, the first change is to green, then back.
    ASSERT_TRUE(WaitFor([&] { return Panel().Color() == clLime; }));
    ASSERT_TRUE(WaitFor([&] { return Panel().Color() == clGray; }));
}

TEST_F(WindowTest, UnknownSslSettingFailsBeforeAnythingIsSent)
{
    Start({{"typo", "127.0.0.1", "joe", "secret", 1, "ssl=tls\r\n"}});

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    // ')' sorts before '.', so no full stop is added.
    EXPECT_EQ(boxes.Boxes().front().text, u"Unknown ssl setting 'tls' (use none, pop3s or starttls)"_s);
    EXPECT_FALSE(halvorn->Pop3Client1.Connected());
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
}

TEST_F(WindowTest, EmptyAccountListConnectsWithEmptyValuesAndFailsTheSameWay)
{
    Start(std::string("[SetInfo]\r\ncount=0\r\n"));

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes().front().text, u"Authentication failed."_s);
    EXPECT_TRUE(Find<QTimer>("Timer1").isActive());
}

TEST_F(WindowTest, RefusedGreetingClosesBeforeTheErrorBoxAndShowsTheLineAsSent)
{
    ScriptedServer server({"S: -ERR busy", "C: QUIT", "S: +OK"});
    Start(ThreeAccounts(server.Port()));
    QString panelWhileBoxShown;
    boxes.SetProbe([&](const SeenBox&) { panelWhileBoxShown = Panel().Caption(); });

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    // The reply keeps its line end, which sorts before '.': no full stop.
    EXPECT_EQ(boxes.Boxes().front().text, u"-ERR busy\r\n"_s);
    EXPECT_EQ(panelWhileBoxShown, u"切断"_s);
    EXPECT_EQ(Panel().Color(), clGray);
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
}

TEST_F(WindowTest, PressWhileConnectedSendsQuitAndShowsDisconnectedOnGray)
{
    ScriptedServer server(Append(LoginWithStat("joe", "secret", "+OK 2 100"),
                                 {"C: QUIT", "S: +OK bye", "CLOSE"}));
    Start(ThreeAccounts(server.Port()));
    Click("conctDisconctBtn");
    ASSERT_EQ(Panel().Color(), clLime);

    Click("conctDisconctBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Panel().Caption(), u"切断"_s);
    EXPECT_EQ(Panel().Color(), clGray);
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：2"_s);  // counters stay
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Mismatches().empty());
    EXPECT_EQ(server.Received().back(), "QUIT");
}

TEST_F(WindowTest, ServerClosingTheConnectionShowsDisconnected)
{
    ScriptedServer server(Append(LoginWithStat("joe", "secret", "+OK 1 10"), {"CLOSE"}));
    Start(ThreeAccounts(server.Port()));
    Click("conctDisconctBtn");

    ASSERT_TRUE(WaitFor([&] { return Panel().Caption() == u"切断"_s; }));
    EXPECT_EQ(Panel().Color(), clGray);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(WindowTest, PressWhileConnectWaitsCancelsTheConnect)
{
    ScriptedServer server({"SILENT"});  // accepts, never greets
    Start(ThreeAccounts(server.Port()));
    QTimer presser;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        if (halvorn->Pop3Client1.Connected()) {
            presser.stop();
            Click("conctDisconctBtn");
        }
    });
    presser.start(10);

    Click("conctDisconctBtn");

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes().front().text, u"Socket readln aborted."_s);
    EXPECT_EQ(Panel().Caption(), u"切断"_s);
    EXPECT_FALSE(halvorn->Pop3Client1.Connected());
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Received().empty());  // no QUIT
}

TEST_F(WindowTest, ConnectClearsTheCountersAndBothMemos)
{
    ScriptedServer server(LoginWithStat("joe", "secret", "+OK 3 300"));
    Start(ThreeAccounts(server.Port()));
    Find<TLabel>("messageGetCntLbl").SetCaption(u"現取得数：7"_s);
    Find<TLabel>("messageGetErrCntLbl").SetCaption(u"取得Err数：2"_s);
    Find<QPlainTextEdit>("messageGetMemo").setPlainText(u"old subject\n"_s);
    Find<QPlainTextEdit>("Memo1").setPlainText(u"old error\n"_s);

    Click("conctDisconctBtn");

    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数："_s);
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数："_s);
    EXPECT_TRUE(Lines("messageGetMemo").isEmpty());
    EXPECT_TRUE(Lines("Memo1").isEmpty());
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：3"_s);
}

TEST_F(WindowTest, BlinkStepTurnsOnlyExactLimeToGray)
{
    Start(ThreeAccounts());
    struct Case {
        TColor before;
        TColor after;
    };
    const Case cases[] = {{clLime, clGray},  {clGray, clLime},   {clSilver, clLime},
                          {0x0000FF01, clLime}, {clBtnFace, clLime}};
    for (const Case& c : cases) {
        Panel().SetColor(c.before);
        halvorn->Timer1Timer(halvorn->Timer1);
        EXPECT_EQ(Panel().Color(), c.after) << "from " << c.before;
    }
}

// --- choosing the account ---------------------------------------------------

TEST_F(WindowTest, ConnectUsesTheAccountChosenInTheList)
{
    ScriptedServer server(LoginWithStat("ann", "pw2", "+OK 1 10"));
    Start(ThreeAccounts(server.Port()));

    ChooseAccount(1);
    EXPECT_EQ(CurrentHost, 1);
    Click("conctDisconctBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：1"_s);
    EXPECT_TRUE(server.Mismatches().empty());
}

TEST_F(WindowTest, TypedTextSelectsNoAccountAndTheConnectButtonDoesNothing)
{
    Start(ThreeAccounts());

    QTest::keyClicks(Find<QComboBox>("hostCmbBx").lineEdit(), u"xyz"_s);
    EXPECT_EQ(CurrentHost, -1);
    Click("conctDisconctBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_FALSE(Find<QTimer>("Timer1").isActive());
    EXPECT_FALSE(halvorn->Pop3Client1.Connected());

    ChooseAccount(2);  // a pick from the list selects again
    EXPECT_EQ(CurrentHost, 2);
}

TEST_F(WindowTest, AnotherChoiceWhileConnectedTakesEffectAtTheNextConnect)
{
    ScriptedServer first(Append(LoginWithStat("joe", "secret", "+OK 1 10"),
                                {"C: QUIT", "S: +OK", "CLOSE"}));
    ScriptedServer third(LoginWithStat("bob", "pw3", "+OK 5 10"));
    Start({{"first", "127.0.0.1", "joe", "secret", first.Port()},
           {"second", "127.0.0.1", "ann", "pw2", 1},
           {"third", "127.0.0.1", "bob", "pw3", third.Port()}});
    Click("conctDisconctBtn");
    ASSERT_EQ(Caption("totalCntLbl"), u"総件数：1"_s);

    ChooseAccount(2);
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：1"_s);
    Click("conctDisconctBtn");  // disconnects from the first
    EXPECT_EQ(Panel().Caption(), u"切断"_s);
    Click("conctDisconctBtn");  // connects to the third

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：5"_s);
    EXPECT_TRUE(first.Mismatches().empty());
    EXPECT_TRUE(third.Mismatches().empty());
}

TEST_F(WindowTest, CheckBoxIsReadAtConnectOnly)
{
    // Connected with the box cleared: no DELE, even after checking it again.
    ScriptedServer server(Append(LoginWithStat("joe", "secret", "+OK 1 10"),
                                 {"C: RETR 1", "S: +OK", "S: Subject: a", "S:", "S: body", "S: .",
                                  "C: QUIT", "S: +OK", "CLOSE"}));
    Start(ThreeAccounts(server.Port()));
    MouseClick(Find<QCheckBox>("messageDelChkBx"));
    ASSERT_FALSE(Find<QCheckBox>("messageDelChkBx").isChecked());
    Click("conctDisconctBtn");
    MouseClick(Find<QCheckBox>("messageDelChkBx"));
    ASSERT_TRUE(Find<QCheckBox>("messageDelChkBx").isChecked());

    Click("mailGetBtn");
    Click("conctDisconctBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

TEST_F(WindowTest, ClosingTheWindowDuringAConnectEndsTheWaitWithoutQuit)
{
    ScriptedServer server({"SILENT"});
    Start(ThreeAccounts(server.Port()));
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (halvorn->Pop3Client1.Connected()) {
            closer.stop();
            halvorn->close();
        }
    });
    closer.start(10);
    // Should closing not end the wait, end it here rather than hang the test.
    bool rescued = false;
    QTimer::singleShot(std::chrono::seconds(20), halvorn.get(), [&] {
        rescued = true;
        halvorn->Pop3Client1.Abort();
    });

    Click("conctDisconctBtn");  // returns only when the connect has ended

    EXPECT_FALSE(rescued);
    EXPECT_FALSE(halvorn->isVisible());
    EXPECT_FALSE(halvorn->Pop3Client1.Connected());
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Received().empty());
}
