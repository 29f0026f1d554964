// Login, count and logout against a scripted server: the dialogue each test
// reads is the dialogue it checks.

#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "pop3/pop3_reply.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

// A client on its own pump that logs the events it raises, in order.
struct LoginClient {
    PollPump pump;
    TPop3Client client{nullptr, &pump};
    std::vector<std::string> events;

    explicit LoginClient(int port, std::string user = "joe", std::string password = "secret")
    {
        client.Host = "127.0.0.1";
        client.Port = port;
        client.UserID = std::move(user);
        client.Password = std::move(password);
        client.OnConnect = [this](TComponent*) { events.push_back("connect"); };
        client.OnDisconnect = [this](TComponent*) { events.push_back("disconnect"); };
    }

    // The message of the exception Connect raised, or "" when it returned.
    std::string ConnectError()
    {
        try {
            client.Connect();
        } catch (const Exception& e) {
            events.push_back("exception");
            return e.Message();
        }
        return "";
    }
};

const std::vector<std::string> kLogin = {"S: +OK POP3 ready", "C: USER joe", "S: +OK", "C: PASS secret", "S: +OK logged in"};

std::vector<std::string> Then(std::vector<std::string> steps, const std::vector<std::string>& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

}  // namespace

TEST(Pop3Login, LogsInCountsAndSaysGoodbye)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: +OK 3 1200", "C: QUIT", "S: +OK bye"}));
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "");
    EXPECT_EQ(c.client.MessageCount(), 3);
    EXPECT_TRUE(c.client.Connected());
    EXPECT_FALSE(c.client.Busy());
    c.client.Disconnect();
    EXPECT_FALSE(c.client.Connected());
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect", "disconnect"}));
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

struct StatCase {
    const char* reply;
    int count;
};
class StatReplies : public testing::TestWithParam<StatCase> {};

TEST_P(StatReplies, GiveTheMessageCount)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", GetParam().reply}));
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "");
    EXPECT_EQ(c.client.MessageCount(), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Pop3Login, StatReplies, testing::Values(
    StatCase{"S: +OK 3 1200", 3},
    StatCase{"S: +OK 0 0", 0},
    StatCase{"S: +OK 12 99999", 12},
    StatCase{"S: +OK 5", 0},          // the count field carries the line end
    StatCase{"S: +OK  3 1200", 0},    // the count field is empty
    StatCase{"S: +OK x3 1200", 0},
    StatCase{"S: x+OKy 4 10", 4}));   // "+OK" anywhere in the first field passes

TEST(Pop3Login, RefusedStatClosesFirstThenReportsConnectThenFails)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: -ERR mailbox locked", "C: QUIT", "S: +OK"}));
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "-ERR mailbox locked\r\n");
    EXPECT_EQ(c.events, (std::vector<std::string>{"disconnect", "connect", "exception"}));
    EXPECT_EQ(c.client.MessageCount(), 0);
    EXPECT_FALSE(c.client.Busy());
}

TEST(Pop3Login, RefusedGreetingIsRaisedAsSentAndNoUserFollows)
{
    ScriptedServer server({"S: -ERR go away", "C: QUIT", "S: +OK"});
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "-ERR go away\r\n");
    EXPECT_EQ(c.events, (std::vector<std::string>{"disconnect", "exception"}));
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), std::vector<std::string>{"QUIT"});
}

TEST(Pop3Login, RefusedGreetingOfAServerThatHangsUpKeepsItsText)
{
    ScriptedServer server({"S: -ERR too many connections", "CLOSE"});
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "-ERR too many connections\r\n");
    EXPECT_FALSE(c.client.Connected());
}

TEST(Pop3Login, GreetingWithSomethingBeforeOkIsAccepted)
{
    ScriptedServer server({"S: *+OK odd but fine", "C: USER joe", "S: +OK", "C: PASS secret", "S: +OK",
                           "C: STAT", "S: +OK 1 10"});
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "");
    EXPECT_EQ(c.client.MessageCount(), 1);
}

TEST(Pop3Login, RejectedUserWithoutHandlerFailsAndNeverSendsThePassword)
{
    ScriptedServer server({"S: +OK", "C: USER joe", "S: -ERR no such user", "C: QUIT", "S: +OK"});
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "Authentication failed");
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"USER joe", "QUIT"}));
    EXPECT_EQ(c.events, (std::vector<std::string>{"disconnect", "exception"}));
}

TEST(Pop3Login, HandledRejectionGivesExactlyOneSecondAttempt)
{
    struct Case {
        std::vector<std::string> transcript;
        std::vector<std::string> sent;
        std::string error;
    };
    const std::vector<Case> cases = {
        // USER refused, repaired, refused again: the handler is not asked twice.
        {{"S: +OK", "C: *", "S: -ERR", "C: *", "S: -ERR", "C: QUIT", "S: +OK"},
         {"USER joe", "USER ann", "QUIT"}, "Authentication failed"},
        // PASS refused, repaired: the second attempt starts again with USER.
        {{"S: +OK", "C: *", "S: +OK", "C: *", "S: -ERR", "C: *", "S: +OK", "C: *", "S: +OK", "C: STAT", "S: +OK 2 5",
          "C: QUIT", "S: +OK"},
         {"USER joe", "PASS secret", "USER ann", "PASS other", "STAT", "QUIT"}, ""},
        // PASS refused twice.
        {{"S: +OK", "C: *", "S: +OK", "C: *", "S: -ERR", "C: *", "S: +OK", "C: *", "S: -ERR", "C: QUIT", "S: +OK"},
         {"USER joe", "PASS secret", "USER ann", "PASS other", "QUIT"}, "Authentication failed"},
    };
    for (const Case& testCase : cases) {
        ScriptedServer server(testCase.transcript);
        LoginClient c(server.Port());
        int asked = 0;
        c.client.OnAuthenticationFailed = [&](bool& handled) {
            ++asked;
            c.client.UserID = "ann";
            c.client.Password = "other";
            handled = true;
        };
        EXPECT_EQ(c.ConnectError(), testCase.error);
        EXPECT_EQ(asked, 1);
        c.client.Disconnect();
        ASSERT_TRUE(server.WaitFinished());
        EXPECT_EQ(server.Received(), testCase.sent);
    }
}

TEST(Pop3Login, UnhandledRejectionHandlerFailsAtOnce)
{
    ScriptedServer server({"S: +OK", "C: USER joe", "S: +OK", "C: PASS secret", "S: -ERR wrong", "C: QUIT", "S: +OK"});
    LoginClient c(server.Port());
    int asked = 0;
    c.client.OnAuthenticationFailed = [&](bool&) { ++asked; };
    EXPECT_EQ(c.ConnectError(), "Authentication failed");
    EXPECT_EQ(asked, 1);
}

TEST(Pop3Login, MissingCredentialsFailBeforeAnyConnection)
{
    for (const auto& [user, password] : std::vector<std::pair<std::string, std::string>>{{"", "pw"}, {"joe", ""}, {"", ""}}) {
        LoginClient c(1, user, password);  // port 1: nothing may be attempted
        EXPECT_EQ(c.ConnectError(), "Authentication failed");
        EXPECT_FALSE(c.client.Busy());
        EXPECT_FALSE(c.client.Connected());
        EXPECT_EQ(c.events, std::vector<std::string>{"exception"});
    }
}

TEST(Pop3Login, CredentialsHandlerIsAskedOnceAndEmptyValuesAreSentAsTheyAre)
{
    ScriptedServer server({"S: +OK", "C: USER joe", "S: +OK", "C: PASS ", "S: +OK", "C: STAT", "S: +OK 0 0"});
    LoginClient c(server.Port(), "", "");
    int asked = 0;
    c.client.OnAuthenticationNeeded = [&](bool& handled) {
        ++asked;
        c.client.UserID = "joe";
        handled = true;
    };
    EXPECT_EQ(c.ConnectError(), "");
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(server.Mismatches().empty());

    LoginClient refused(1, "", "");
    refused.client.OnAuthenticationNeeded = [](bool&) {};
    EXPECT_EQ(refused.ConnectError(), "Authentication failed");
}

TEST(Pop3Login, ConnectWhileConnectedSendsNothing)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: +OK 1 1"}));
    LoginClient c(server.Port());
    ASSERT_EQ(c.ConnectError(), "");
    EXPECT_EQ(c.ConnectError(), "Already connected");
    EXPECT_TRUE(c.client.Connected());
    EXPECT_FALSE(c.client.Busy());
    EXPECT_EQ(c.client.MessageCount(), 1);
}

TEST(Pop3Login, DisconnectWhileClosedDoesNothing)
{
    LoginClient c(1);
    c.client.Disconnect();
    EXPECT_TRUE(c.events.empty());
}

TEST(Pop3Login, RefusedQuitIsRaisedButTheConnectionClosesAnyway)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: +OK 1 1", "C: QUIT", "S: -ERR not now"}));
    LoginClient c(server.Port());
    ASSERT_EQ(c.ConnectError(), "");
    try {
        c.client.Disconnect();
        ADD_FAILURE() << "QUIT refusal not raised";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "-ERR not now\r\n");
    }
    EXPECT_FALSE(c.client.Connected());
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect", "disconnect"}));
    EXPECT_EQ(c.client.MessageCount(), 1);
}

TEST(Pop3Login, SilentServerTimesOutWithAbortAndDisconnect)
{
    ScriptedServer server({"SILENT"});
    LoginClient c(server.Port());
    c.client.TimeOut = 5000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(c.ConnectError(), "Socket readln aborted");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(4900));
    EXPECT_EQ(c.events, (std::vector<std::string>{"disconnect", "exception"}));
    EXPECT_FALSE(c.client.Busy());
    EXPECT_FALSE(c.client.Connected());
}

TEST(Pop3Login, ResetInTheMiddleOfTheDialogue)
{
    ScriptedServer server({"S: +OK", "C: USER joe", "RESET"});
    LoginClient c(server.Port());
    EXPECT_EQ(c.ConnectError(), "10054:Connection reset by peer");
    EXPECT_FALSE(c.client.Connected());
    EXPECT_FALSE(c.client.Busy());
    EXPECT_EQ(c.events, (std::vector<std::string>{"disconnect", "exception"}));
}

TEST(Pop3Login, ServerHangingUpWhileIdleRaisesDisconnect)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: +OK 2 20", "WAIT 50", "CLOSE"}));
    LoginClient c(server.Port());
    ASSERT_EQ(c.ConnectError(), "");
    for (int i = 0; i < 50 && c.client.Connected(); ++i)
        c.pump.ProcessIdle(100);
    EXPECT_FALSE(c.client.Connected());
    EXPECT_EQ(c.events, (std::vector<std::string>{"connect", "disconnect"}));
    EXPECT_EQ(c.client.MessageCount(), 2);
}

TEST(Pop3Login, DestroyingAConnectedClientClosesWithoutQuitOrEvent)
{
    ScriptedServer server(Then(kLogin, {"C: STAT", "S: +OK 1 1"}));
    int disconnects = 0;
    {
        LoginClient c(server.Port());
        ASSERT_EQ(c.ConnectError(), "");
        c.client.OnDisconnect = [&](TComponent*) { ++disconnects; };
    }
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(server.Received().back(), "STAT");
}

TEST(Pop3Login, AttachFilePathEndsWithASeparator)
{
    TPop3Client client;
    EXPECT_EQ(client.AttachFilePath(), "");
    client.SetAttachFilePath("/tmp/mail");
    EXPECT_EQ(client.AttachFilePath(), "/tmp/mail/");
    client.SetAttachFilePath("/tmp/mail/");
    EXPECT_EQ(client.AttachFilePath(), "/tmp/mail/");
    client.SetAttachFilePath("");
    EXPECT_EQ(client.AttachFilePath(), "");
    EXPECT_EQ(client.Port, 110);
}

struct OkCase {
    const char* reply;
    bool ok;
};
class OkReplies : public testing::TestWithParam<OkCase> {};

TEST_P(OkReplies, PassWhenTheFirstFieldHoldsPlusOk)
{
    EXPECT_EQ(IsOkReply(GetParam().reply), GetParam().ok) << GetParam().reply;
}

INSTANTIATE_TEST_SUITE_P(Pop3Login, OkReplies, testing::Values(
    OkCase{"+OK\r\n", true},
    OkCase{"+OK 2 320\r\n", true},
    OkCase{"*+OK* ready\r\n", true},     // anywhere in the first field
    OkCase{"+ok fine\r\n", false},       // case matters
    OkCase{"-ERR +OK\r\n", false},       // only the first field counts
    OkCase{" +OK\r\n", false},           // a leading blank makes the first field empty
    OkCase{"", false},
    OkCase{"-ERR\r\n", false}));
