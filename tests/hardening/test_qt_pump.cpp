// Hostile servers with the GUI's pump: while the client fights a 100 MB line
// or waits on a server that sends a byte a second, the event loop keeps
// turning, and a handler run by it (the user's second press) can end the wait.

#include "mail_text.h"
#include "memory_probe.h"
#include "stream_server.h"
#include "watched_client.h"

#include "platform/qt/qt_wait_pump.h"
#include "pop3/temp_dir.h"
#include "support/scripted_server.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>

namespace {

using namespace std::chrono_literals;

struct QtSession {
    TempDir root;
    QtWaitPump pump;
    WatchedClient client{nullptr, &pump};

    explicit QtSession(int port, int timeOutMs) { SetUpDeletingClient(client, port, root.Path("att"), timeOutMs); }
};

TEST(QtPumpLongLine, EventLoopTurnsWhileTheLineArrivesAndMemoryStaysBounded)
{
    // Paced blocks, so the client waits between them as over a real network.
    StreamServer server([](StreamServer::Connection& c) {
        if (c.Login(1) && c.Expect("RETR 1") && c.Send("+OK\r\nSubject: big\r\n\r\nfirst\r\n"))
            c.SendFill('x', 100U * 1024U * 1024U, 8 * 1024, 2ms);
    });
    QtSession s(server.Port(), 10000);
    bool over = false;
    int turnsDuringLine = 0;
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, [&] {
        if (server.FillStarted() && !over)
            ++turnsDuringLine;
    });
    idle.start(0);
    s.client.OnRetrieveEnd = [&](TComponent*) { over = true; };

    const bool peakReset = ResetPeak();
    const long before = ResidentKiB();
    SessionResult result = RunSession(s.client);
    const long peak = PeakResidentKiB();
    over = true;

    EXPECT_EQ(result.failures,
              Lines{"retrieve 1: ESockError: Line too long: the server sent more than 65536 bytes without a line end"});
    EXPECT_GE(turnsDuringLine, 1);
    EXPECT_EQ(result.disconnects, 1);
    EXPECT_TRUE(s.client.deles.empty());
    EXPECT_TRUE(s.root.Names("att").empty());
    if (peakReset) {
        std::cout << "[ memory   ] Qt pump, body: resident " << before << " KiB before, peak " << peak << " KiB (+"
                  << peak - before << " KiB); " << turnsDuringLine << " loop turns during the line\n";
        EXPECT_LE(peak - before, 16 * 1024);
    }
}

// Where the server starts dripping, and how the wait is ended.
struct DripCase {
    const char* name;
    bool inBody;      // else in the greeting
    int timeOutMs;    // 0: no limit
    int abortAfterMs; // 0: no second press
};

void PrintTo(const DripCase& c, std::ostream* os) { *os << c.name; }

const DripCase kDripCases[] = {
    {"greeting_timeout", false, 1500, 0},
    {"body_timeout", true, 1500, 0},
    {"greeting_second_press", false, 0, 600},
    {"body_second_press", true, 0, 600},
};

class QtPumpDrip : public ::testing::TestWithParam<DripCase> {};

TEST_P(QtPumpDrip, WaitEndsOnTimeOrAtTheSecondPressAndTheLoopStaysLive)
{
    const DripCase& c = GetParam();
    const Lines transcript =
        c.inBody ? Lines{"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: +OK 1 20",
                         "C: RETR 1", "S: +OK", "S: Subject: slow", "S:", "DRIP 1000 one byte a second"}
                 : Lines{"DRIP 1000 +OK one byte a second"};
    ScriptedServer server(transcript);
    QtSession s(server.Port(), c.timeOutMs);

    int ticks = 0;
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout, [&] { ++ticks; });
    blink.start(10);
    QTimer secondPress;
    secondPress.setSingleShot(true);
    secondPress.setTimerType(Qt::PreciseTimer);
    QObject::connect(&secondPress, &QTimer::timeout, [&] { s.client.Abort(); });
    if (c.abortAfterMs > 0)
        secondPress.start(c.abortAfterMs);

    const auto start = std::chrono::steady_clock::now();
    const SessionResult result = RunSession(s.client);
    const auto took = std::chrono::steady_clock::now() - start;

    const std::string stage = c.inBody ? "retrieve 1" : "connect";
    EXPECT_EQ(result.failures, Lines{stage + ": EAbortError: Socket readln aborted"});
    const auto due = std::chrono::milliseconds(c.abortAfterMs > 0 ? c.abortAfterMs : c.timeOutMs);
    if (c.abortAfterMs == 0) {
        EXPECT_GE(took, due) << "the time-out fired early";
    }
    EXPECT_LT(took, due + 2s) << "the wait outlived its end";
    // A 10 ms timer over more than half a second: the loop kept turning.
    EXPECT_GE(ticks, 10);
    EXPECT_EQ(result.disconnects, 1);
    EXPECT_FALSE(s.client.Connected());
    EXPECT_FALSE(s.client.Busy());
    EXPECT_TRUE(s.client.deles.empty());
    EXPECT_EQ(std::count(s.client.commands.begin(), s.client.commands.end(), "QUIT"), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, QtPumpDrip, ::testing::ValuesIn(kDripCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
