// The retrieval run against a scripted server: the progress and error
// labels as each message is fetched, the two lists, and what a run does
// after a disconnect or when the user presses the buttons during it.

#include "gui_test_env.h"

#include "platform/qt/colors.h"
#include "platform/qt/panel.h"
#include "support/scripted_server.h"

#include <QCheckBox>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <set>

using namespace Qt::Literals::StringLiterals;

namespace {

const std::string kRefusal = "-ERR no such message";

std::vector<std::string> Login(int messageCount)
{
    return {"S: +OK ready", "C: USER joe",  "S: +OK", "C: PASS secret", "S: +OK",
            "C: STAT",      "S: +OK " + std::to_string(messageCount) + " 999"};
}

void Add(std::vector<std::string>& script, const std::vector<std::string>& steps)
{
    script.insert(script.end(), steps.begin(), steps.end());
}

// Message n served with its subject, then deleted (the check box is checked).
std::vector<std::string> Served(int n, const std::string& subject)
{
    const std::string number = std::to_string(n);
    return {"C: RETR " + number, "S: +OK", "S: Subject: " + subject, "S: From: a@b", "S:",
            "S: body of " + number, "S: .", "C: DELE " + number, "S: +OK deleted"};
}

std::vector<std::string> Refused(int n)
{
    return {"C: RETR " + std::to_string(n), "S: " + kRefusal};
}

class RetrievalTest : public WindowTest {
protected:
    // The captions seen as each retrieval starts.
    QStringList progressSeen;
    QStringList errorLabelSeen;

    void StartOn(const ScriptedServer& server)
    {
        Start({{"acct", "127.0.0.1", "joe", "secret", server.Port()}});
        halvorn->Pop3Client1.OnRetrieveStart = [this](TComponent*) {
            progressSeen << Caption("messageGetCntLbl");
            errorLabelSeen << Caption("messageGetErrCntLbl");
        };
    }
};

struct RunCase {
    const char* name;
    int count;
    std::set<int> refused;
    QStringList progress;      // the progress label before each message
    QString errorLabel;        // at the end
    QStringList subjectLines;  // messageGetMemo at the end
};

std::ostream& operator<<(std::ostream& out, const RunCase& c)
{
    return out << c.name;
}

class RunTable : public RetrievalTest, public ::testing::WithParamInterface<RunCase> {};

}  // namespace

TEST_P(RunTable, LabelsAndListsFollowEachRetrieval)
{
    const RunCase& c = GetParam();
    std::vector<std::string> script = Login(c.count);
    for (int n = 1; n <= c.count; ++n)
        Add(script, c.refused.contains(n) ? Refused(n) : Served(n, "subject " + std::to_string(n)));
    ScriptedServer server(script);
    StartOn(server);
    Click("conctDisconctBtn");

    Click("mailGetBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(progressSeen, c.progress);
    EXPECT_EQ(Caption("messageGetCntLbl"), c.progress.back());
    EXPECT_EQ(Caption("messageGetErrCntLbl"), c.errorLabel);
    EXPECT_EQ(Lines("messageGetMemo"), c.subjectLines);
    // One error per refusal: the reply line, whose own line end shows as an
    // empty line after it.
    QStringList errors;
    for (std::size_t k = 0; k < c.refused.size(); ++k)
        errors << QString::fromStdString(kRefusal) << QString();
    EXPECT_EQ(Lines("Memo1"), errors);
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

INSTANTIATE_TEST_SUITE_P(
    Runs, RunTable,
    ::testing::Values(
        RunCase{"AllFetched", 3, {},
                {u"現取得数：1"_s, u"現取得数：2"_s, u"現取得数：3"_s},
                u"取得Err数："_s,
                {u" subject 1"_s, u" subject 2"_s, u" subject 3"_s}},
        // A refused RETR still ends with the retrieve-end event, which lists
        // the subject of the message before it again.
        RunCase{"SecondOfFourFails", 4, {2},
                {u"現取得数：1"_s, u"現取得数：2"_s, u"現取得数：2"_s, u"現取得数：3"_s},
                u"取得Err数：1"_s,
                {u" subject 1"_s, u" subject 1"_s, u" subject 3"_s, u" subject 4"_s}},
        RunCase{"LastOfThreeFails", 3, {3},
                {u"現取得数：1"_s, u"現取得数：2"_s, u"現取得数：3"_s},
                u"取得Err数：1"_s,
                {u" subject 1"_s, u" subject 2"_s, u" subject 2"_s}},
        RunCase{"AllFail", 3, {1, 2, 3},
                {u"現取得数：1"_s, u"現取得数：1"_s, u"現取得数：1"_s},
                u"取得Err数：3"_s,
                {QString(), QString(), QString()}}),
    [](const ::testing::TestParamInfo<RunCase>& param) { return std::string(param.param.name); });

TEST_F(RetrievalTest, SecondRunCountsAfreshButShowsTheOldErrorsUntilItsFirstFailure)
{
    std::vector<std::string> script = Login(3);
    Add(script, Refused(1));
    Add(script, Refused(2));
    Add(script, Served(3, "kept"));
    Add(script, Served(1, "again"));
    Add(script, Refused(2));
    Add(script, Served(3, "last"));
    ScriptedServer server(script);
    StartOn(server);
    Click("conctDisconctBtn");
    Click("mailGetBtn");
    ASSERT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数：2"_s);
    progressSeen.clear();
    errorLabelSeen.clear();

    Click("mailGetBtn");

    EXPECT_EQ(progressSeen, (QStringList{u"現取得数：1"_s, u"現取得数：2"_s, u"現取得数：2"_s}));
    EXPECT_EQ(errorLabelSeen,
              (QStringList{u"取得Err数：2"_s, u"取得Err数：2"_s, u"取得Err数：1"_s}));
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数：1"_s);
    // Both lists keep the lines of the first run.
    EXPECT_EQ(Lines("messageGetMemo"), (QStringList{QString(), QString(), u" kept"_s,
                                                    u" again"_s, u" again"_s, u" last"_s}));
    EXPECT_EQ(Lines("Memo1").size(), 6);
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

TEST_F(RetrievalTest, RunAfterADisconnectCountsEachNotConnected)
{
    std::vector<std::string> script = Login(2);
    Add(script, {"C: QUIT", "S: +OK", "CLOSE"});
    ScriptedServer server(script);
    StartOn(server);
    Click("conctDisconctBtn");
    Click("conctDisconctBtn");
    ASSERT_EQ(Panel().Caption(), u"切断"_s);

    Click("mailGetBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_TRUE(progressSeen.isEmpty());  // no retrieval got under way
    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数：1"_s);
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数：2"_s);
    EXPECT_EQ(Lines("Memo1"), (QStringList{u"Not Connected"_s, u"Not Connected"_s}));
    EXPECT_TRUE(Lines("messageGetMemo").isEmpty());
}

TEST_F(RetrievalTest, NothingToFetchLeavesTheWindowAsItWas)
{
    ScriptedServer server(Login(0));
    StartOn(server);

    Click("mailGetBtn");  // before any connect
    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数："_s);

    Click("conctDisconctBtn");
    Click("mailGetBtn");  // the server reported none

    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数："_s);
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数："_s);
    EXPECT_TRUE(Lines("messageGetMemo").isEmpty());
    EXPECT_TRUE(Lines("Memo1").isEmpty());
    EXPECT_TRUE(progressSeen.isEmpty());
}

TEST_F(RetrievalTest, DuringARunRetrieveIsIgnoredAndConnectAbortsWithoutQuit)
{
    std::vector<std::string> script = Login(3);
    Add(script, Served(1, "first"));
    Add(script, {"C: RETR 2", "SILENT"});
    ScriptedServer server(script);
    StartOn(server);
    Click("conctDisconctBtn");

    // While RETR 2 waits for its answer: "取得" again, then "接続／切断".
    QTimer presser;
    bool pressed = false;
    QObject::connect(&presser, &QTimer::timeout, [&] {
        const auto received = server.Received();
        if (!pressed && std::ranges::find(received, "RETR 2") != received.end()) {
            pressed = true;
            presser.stop();
            Click("mailGetBtn");
            Click("conctDisconctBtn");
        }
    });
    presser.start(10);

    Click("mailGetBtn");

    ASSERT_TRUE(pressed);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(progressSeen, (QStringList{u"現取得数：1"_s, u"現取得数：2"_s}));
    EXPECT_EQ(Lines("Memo1"), (QStringList{u"Socket readln aborted"_s, u"Not Connected"_s}));
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数：2"_s);
    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数：2"_s);
    EXPECT_EQ(Panel().Caption(), u"切断"_s);
    EXPECT_EQ(Panel().Color(), clGray);
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received().back(), "RETR 2");  // no QUIT in the middle
}

TEST_F(RetrievalTest, OnlyTheExceptionFamilyIsCountedAnythingElseEndsTheRun)
{
    struct Case {
        const char* name;
        std::function<void()> raise;
        bool counted;
    };
    const Case cases[] = {
        {"Exception", [] { throw Exception("from the family"); }, true},
        {"EAbortError", [] { throw EAbortError("descendant"); }, true},
        {"std::runtime_error", [] { throw std::runtime_error("outsider"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> script = Login(3);
        Add(script, Served(1, "one"));
        Add(script, Served(3, "three"));  // message 2 fails before its RETR
        ScriptedServer server(script);
        StartOn(server);
        auto probe = halvorn->Pop3Client1.OnRetrieveStart;
        int started = 0;
        halvorn->Pop3Client1.OnRetrieveStart = [&](TComponent* sender) {
            probe(sender);
            if (++started == 2)
                c.raise();
        };
        Click("conctDisconctBtn");

        Click("mailGetBtn");

        if (c.counted) {
            EXPECT_TRUE(boxes.Boxes().empty());
            EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数：1"_s);
            EXPECT_EQ(Lines("messageGetMemo"), (QStringList{u" one"_s, u" three"_s}));
            EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数：2"_s);
        } else {
            ASSERT_EQ(boxes.Boxes().size(), 1u);
            EXPECT_EQ(boxes.Boxes().back().text, u"outsider."_s);
            EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数："_s);
            EXPECT_TRUE(Lines("Memo1").isEmpty());
            EXPECT_EQ(Lines("messageGetMemo"), QStringList{u" one"_s});
            EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数：2"_s);
        }
        hostInfo.reset();
        halvorn.reset();
        progressSeen.clear();
        errorLabelSeen.clear();
    }
}
