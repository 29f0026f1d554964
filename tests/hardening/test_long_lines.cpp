// A server that sends a line of 100 MB with no line end, in the greeting, in
// a message's header or in its body. The client must give up with a clear
// error after its 64 KiB line limit, holding no more than a few buffers, and
// stay usable for the next connection.

#include "mail_text.h"
#include "memory_probe.h"
#include "stream_server.h"
#include "watched_client.h"

#include "platform/poll_pump.h"
#include "pop3/temp_dir.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <iostream>

namespace {

constexpr std::size_t kHundredMegabytes = 100U * 1024U * 1024U;
// The peak may rise this much above the resident size before the session:
// the client's line buffer, the server thread's block, allocator slack.
constexpr long kSlackKiB = 16 * 1024;

using Play = bool (*)(StreamServer::Connection&);

struct LongLineCase {
    const char* where;
    Play before;  // what the server sends before the endless line
    const char* failure;
};

void PrintTo(const LongLineCase& c, std::ostream* os) { *os << c.where; }

const LongLineCase kCases[] = {
    {"greeting", [](StreamServer::Connection&) { return true; },
     "connect: ESockError: Line too long: the server sent more than 65536 bytes without a line end"},
    {"header",
     [](StreamServer::Connection& c) {
         return c.Login(1) && c.Expect("RETR 1") && c.Send("+OK\r\nSubject: big\r\nX-Filler: ");
     },
     "retrieve 1: ESockError: Line too long: the server sent more than 65536 bytes without a line end"},
    {"body",
     [](StreamServer::Connection& c) {
         return c.Login(1) && c.Expect("RETR 1") && c.Send("+OK\r\nSubject: big\r\n\r\nfirst line\r\n");
     },
     "retrieve 1: ESockError: Line too long: the server sent more than 65536 bytes without a line end"},
};

class LongLine : public ::testing::TestWithParam<LongLineCase> {};

TEST_P(LongLine, IsRefusedWithBoundedMemoryAndTheClientStaysUsable)
{
    const LongLineCase& c = GetParam();
    StreamServer server([&c](StreamServer::Connection& connection) {
        if (c.before(connection))
            connection.SendFill('x', kHundredMegabytes);
    });
    const TempDir root;
    const std::string dir = root.Path("att");
    PollPump pump;
    WatchedClient client(nullptr, &pump);
    SetUpDeletingClient(client, server.Port(), dir, 10000);

    const bool peakReset = ResetPeak();
    const long before = ResidentKiB();
    const SessionResult result = RunSession(client);
    const long peak = PeakResidentKiB();
    ASSERT_TRUE(server.WaitFinished());

    EXPECT_EQ(result.failures, Lines{c.failure});
    EXPECT_EQ(result.disconnects, 1);
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.Busy());
    EXPECT_TRUE(client.deles.empty());
    EXPECT_TRUE(root.Names("att").empty());
    // The client stopped reading: most of the line was never even sent.
    EXPECT_LT(server.BytesSent(), kHundredMegabytes / 4);
    if (peakReset) {
        std::cout << "[ memory   ] " << c.where << ": resident " << before << " KiB before, peak " << peak
                  << " KiB during (+" << peak - before << " KiB); server sent " << server.BytesSent() / 1024
                  << " KiB\n";
        EXPECT_LE(peak - before, kSlackKiB);
    }

    // The same component goes on with the next server as if nothing happened.
    const std::string message = CrLf({"Subject: after", "", "fine"});
    ScriptedServer good({"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: +OK 1 20",
                         "C: RETR 1", ScriptedServer::Raw(RetrReply(message)), "C: DELE 1", "S: +OK", "C: QUIT",
                         "S: +OK"});
    client.Port = good.Port();
    client.Original = [&](int) { return message; };
    const SessionResult next = RunSession(client);
    EXPECT_TRUE(next.failures.empty()) << next.failures.front();
    EXPECT_EQ(client.MailMessage().Subject, " after");
    ASSERT_EQ(client.deles.size(), 1U);
    EXPECT_NE(client.deles[0].copy, "");
}

INSTANTIATE_TEST_SUITE_P(Where, LongLine, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.where); });

}  // namespace
