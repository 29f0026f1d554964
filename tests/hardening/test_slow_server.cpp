// A server that sends one byte a second. With a time-out each wait ends on
// time, counted from its start and not from the last byte, the connection is
// dropped without QUIT, and nothing is deleted that is not saved.

#include "mail_text.h"
#include "watched_client.h"

#include "platform/poll_pump.h"
#include "pop3/temp_dir.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace std::chrono_literals;

constexpr int kTimeOutMs = 1500;
const std::string kMessage = CrLf({"Subject: slow", "", "body"});
const Lines kLogin = {"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: +OK 1 20"};

Lines Then(Lines steps, const Lines& more)
{
    steps.insert(steps.end(), more.begin(), more.end());
    return steps;
}

struct DripCase {
    const char* where;
    Lines transcript;
    const char* failure;
    bool copySaved;
};

void PrintTo(const DripCase& c, std::ostream* os) { *os << c.where; }

std::vector<DripCase> Cases()
{
    return {
        {"greeting", {"DRIP 1000 +OK a greeting that takes its time"}, "connect: EAbortError: Socket readln aborted", false},
        {"body",
         Then(kLogin, {"C: RETR 1", "S: +OK", "S: Subject: slow", "S:", "DRIP 1000 body, one byte a second"}),
         "retrieve 1: EAbortError: Socket readln aborted", false},
        {"dele_reply",
         Then(kLogin, {"C: RETR 1", ScriptedServer::Raw(RetrReply(kMessage)), "C: DELE 1", "DRIP 1000 +OK deleted"}),
         "retrieve 1: EAbortError: Socket readln aborted", true},
    };
}

class Dripping : public ::testing::TestWithParam<DripCase> {};

TEST_P(Dripping, TimeOutEndsTheWaitOnTimeWithoutQuit)
{
    const DripCase& c = GetParam();
    ScriptedServer server(c.transcript);
    const TempDir root;
    const std::string dir = root.Path("att");
    PollPump pump;
    WatchedClient client(nullptr, &pump);
    SetUpDeletingClient(client, server.Port(), dir, kTimeOutMs);
    client.Original = [](int) { return kMessage; };

    const auto start = std::chrono::steady_clock::now();
    const SessionResult result = RunSession(client);
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(result.failures, Lines{c.failure});
    EXPECT_GE(took, std::chrono::milliseconds(kTimeOutMs)) << "the time-out fired early";
    EXPECT_LT(took, std::chrono::milliseconds(kTimeOutMs) + 2s) << "the wait outlived its time-out";
    EXPECT_EQ(result.disconnects, 1);
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Busy());
    for (const WatchedClient::Dele& dele : client.deles) {
        EXPECT_NE(dele.copy, "");
    }
    EXPECT_EQ(FindSavedCopy(dir, kMessage) != "", c.copySaved);
    EXPECT_EQ(std::count(client.commands.begin(), client.commands.end(), "QUIT"), 0)
        << "a timed-out connection is dropped, not closed politely";
}

INSTANTIATE_TEST_SUITE_P(Where, Dripping, ::testing::ValuesIn(Cases()),
                         [](const auto& row) { return std::string(row.param.where); });

}  // namespace
