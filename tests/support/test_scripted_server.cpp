// The scripted server, driven by a plain POSIX socket client.

#include "support/scripted_server.h"

#include "support/plain_client.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

TEST(ScriptedServer, RecordsClientLinesAndMismatchesThroughTheWholeDialogue) {
    ScriptedServer server({"S: +OK ready", "C: USER joe", "S: +OK", "C: *", "S: +OK in", "C: STAT", "S: +OK 0 0"});
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.ReadLine(), "+OK ready\r\n");
    client.Send("USER joe\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    client.Send("PASS anything\n");  // a bare LF ends a line as well
    EXPECT_EQ(client.ReadLine(), "+OK in\r\n");
    client.Send("LIST\r\n");
    EXPECT_EQ(client.ReadLine(), "+OK 0 0\r\n");
    // Past the transcript the server goes on listening until the client leaves.
    client.Send("QUIT\r\nhalf a line");
    client.Close();

    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"USER joe", "PASS anything", "LIST", "QUIT", "half a line"}));
    EXPECT_EQ(server.Mismatches(), (std::vector<std::string>{"step 6: expected STAT, got LIST"}));
}

TEST(ScriptedServer, ReportsAnExpectedLineThatNeverCame) {
    ScriptedServer server({"S: +OK", "C: QUIT"});
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    client.Close();
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Received().empty());
    EXPECT_EQ(server.Mismatches(), (std::vector<std::string>{"step 2: expected QUIT, got the end of the connection"}));
}

TEST(ScriptedServer, SendsEveryKindOfStepByteForByte) {
    std::string binary("a\0b\xff\r", 5);
    std::string big(8 * 1024 * 1024, 'x');  // no LF anywhere
    ScriptedServer server({
        "S: plain",
        "S< \\x41\\x7e\\t\\\\\\r\\n\\q",
        "DRIP 1 slow",
        "WAIT 1",
        ScriptedServer::Raw(binary),
        ScriptedServer::Raw(big),
        "CLOSE",
    });
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    int error = -1;
    const std::string got = client.ReadToEnd(&error);
    EXPECT_EQ(error, 0);
    EXPECT_EQ(got, "plain\r\nA~\t\\\r\n\\qslow\r\n" + binary + big);
    client.Close();
    EXPECT_TRUE(server.WaitFinished());
}

struct EndingCase {
    const char* step;
    int expectedErrno;  // of the client's read once the server has ended
};

class ScriptedServerEnding : public ::testing::TestWithParam<EndingCase> {};

TEST_P(ScriptedServerEnding, EndsTheConnectionAsWritten) {
    ScriptedServer server({"S: +OK", "C: GO", GetParam().step});
    PlainClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    client.Send("GO\r\n");
    int error = -1;
    EXPECT_EQ(client.ReadToEnd(&error), "");
    EXPECT_EQ(error, GetParam().expectedErrno);
    client.Close();
    EXPECT_TRUE(server.WaitFinished());
}

INSTANTIATE_TEST_SUITE_P(Steps, ScriptedServerEnding,
                         ::testing::Values(EndingCase{"CLOSE", 0}, EndingCase{"RESET", ECONNRESET}),
                         [](const ::testing::TestParamInfo<EndingCase>& param) { return std::string(param.param.step); });

TEST(ScriptedServer, CanBeDestroyedWithoutAClientOrWithAClientLeftWaiting) {
    { ScriptedServer nobodyCame({"S: +OK"}); }
    ScriptedServer silent({"S: +OK", "SILENT"});
    PlainClient client(silent.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.ReadLine(), "+OK\r\n");
    EXPECT_FALSE(silent.WaitFinished(std::chrono::milliseconds(0)));
}

TEST(ScriptedServer, RefusesAnUnknownStep) {
    EXPECT_THROW(ScriptedServer({"S: +OK", "SEND +OK"}), std::invalid_argument);
    EXPECT_THROW(ScriptedServer({"WAIT soon"}), std::invalid_argument);
}

}  // namespace
