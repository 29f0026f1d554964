// Socket waits inside the Qt event loop: the application's timers keep
// running, and a handler that runs during a wait can end it.

#include "platform/exception.h"
#include "platform/qt/qt_wait_pump.h"
#include "platform/socket_base.h"
#include "support/scripted_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct QtClient {
    QtWaitPump pump;
    TSocketBase socket{nullptr, &pump};
    int disconnects = 0;

    explicit QtClient(int port)
    {
        socket.Host = "127.0.0.1";
        socket.Port = port;
        socket.OnDisconnect = [this](TComponent*) { ++disconnects; };
    }
    std::string Line()
    {
        std::string line;
        socket.ReadLn(line);
        return line;
    }
};

std::string AbortMessage(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ESockError& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(QtWaitPump, TimersKeepRunningWhileAReadWaits)
{
    ScriptedServer server({"WAIT 300", "S: +OK late"});
    QtClient client(server.Port());
    client.socket.Connect();
    int ticks = 0;
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout, [&] { ++ticks; });
    blink.start(20);
    EXPECT_EQ(client.Line(), "+OK late\r\n");
    EXPECT_GE(ticks, 5);
}

TEST(QtWaitPump, AbortFromAHandlerEndsTheWaitAtOnce)
{
    ScriptedServer server({"SILENT"});
    QtClient client(server.Port());
    client.socket.Connect();
    QTimer::singleShot(100, [&] { client.socket.Abort(); });
    EXPECT_EQ(AbortMessage([&] { client.Line(); }), "Socket readln aborted");
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(QtWaitPump, DisconnectUnderARunningReadMakesTheReadFail)
{
    ScriptedServer server({"SILENT"});
    QtClient client(server.Port());
    client.socket.Connect();
    QTimer::singleShot(50, [&] { client.socket.Disconnect(); });
    EXPECT_EQ(AbortMessage([&] { client.Line(); }), "10038:Socket operation on non-socket");
}

TEST(QtWaitPump, TimeOutEndsTheWait)
{
    ScriptedServer server({"SILENT"});
    QtClient client(server.Port());
    client.socket.TimeOut = 200;
    client.socket.Connect();
    EXPECT_EQ(AbortMessage([&] { client.Line(); }), "Socket readln aborted");
    EXPECT_EQ(client.disconnects, 1);
}

TEST(QtWaitPump, HangUpWhileIdleIsNoticedByTheEventLoop)
{
    ScriptedServer server({"WAIT 50", "CLOSE"});
    QtClient client(server.Port());
    client.socket.Connect();
    QElapsedTimer clock;
    clock.start();
    while (client.socket.Connected() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(QtWaitPump, LongTransfersLetTheEventLoopBreathe)
{
    // 40 MB of lines arrive faster than they are read: the reads rarely wait,
    // yet a zero-interval timer must keep getting turns.
    std::string block;
    for (int i = 0; i < 1000; ++i)
        block += std::string(78, 'a' + i % 26) + "\r\n";
    std::vector<std::string> steps;
    for (int i = 0; i < 500; ++i)
        steps.push_back(ScriptedServer::Raw(block));
    steps.push_back("CLOSE");
    ScriptedServer server(steps);
    QtClient client(server.Port());
    client.socket.Connect();
    int turns = 0;
    QTimer idle;
    QObject::connect(&idle, &QTimer::timeout, [&] { ++turns; });
    idle.start(0);
    std::size_t lines = 0;
    while (!client.Line().empty())
        ++lines;
    EXPECT_EQ(lines, 500u * 1000u);
    EXPECT_GE(turns, 1);
}

TEST(QtWaitPump, AbortFromAHandlerCancelsATlsHandshake)
{
    ScriptedServer server({"SILENT"});
    QtClient client(server.Port());
    client.socket.UseTls = true;
    int ticks = 0;
    QTimer blink;
    QObject::connect(&blink, &QTimer::timeout, [&] { ++ticks; });
    blink.start(10);
    QTimer::singleShot(150, [&] { client.socket.Abort(); });
    EXPECT_EQ(AbortMessage([&] { client.socket.Connect(); }), "Connection Canceled");
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_GE(ticks, 3);  // the window kept its events during the handshake
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
