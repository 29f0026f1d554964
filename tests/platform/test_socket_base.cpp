// The socket base against a scripted server, on the poll() pump.

#include "platform/exception.h"
#include "platform/poll_pump.h"
#include "platform/socket_base.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port on loopback that nobody listens on.
int ClosedPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// A socket on its own pump, with its events counted.
struct Client {
    PollPump pump;
    TSocketBase socket{nullptr, &pump};
    int disconnects = 0;
    int connectionFailures = 0;

    explicit Client(int port)
    {
        socket.Host = "127.0.0.1";
        socket.Port = port;
        socket.OnDisconnect = [this](TComponent*) { ++disconnects; };
        socket.OnConnectionFailed = [this](TComponent*) { ++connectionFailures; };
    }
    std::string Line()
    {
        std::string line;
        socket.ReadLn(line);
        return line;
    }
};

template <typename E, typename F>
std::string MessageOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.Message();
    }
    return "(nothing raised)";
}

}  // namespace

TEST(SocketBase, ReadsLinesWithTheirLineEndsAndKeepsTheRest)
{
    ScriptedServer server({"S< one\\r\\ntwo\\r\\nthr", "WAIT 50", "S< ee\\r\\n", "C: HELLO", "S: +OK hi"});
    Client client(server.Port());
    client.socket.Connect();
    EXPECT_TRUE(client.socket.Connected());
    EXPECT_EQ(client.Line(), "one\r\n");
    EXPECT_EQ(client.Line(), "two\r\n");
    EXPECT_EQ(client.Line(), "three\r\n");
    std::string reply;
    client.socket.Transaction("HELLO", reply);
    EXPECT_EQ(reply, "+OK hi\r\n");
    client.socket.Disconnect();
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Mismatches().empty());
}

TEST(SocketBase, ServerHangingUpGivesTheRestThenEmptyLinesAndOneDisconnect)
{
    ScriptedServer server({"S: last", "S< partial", "CLOSE"});
    Client client(server.Port());
    client.socket.Connect();
    EXPECT_EQ(client.Line(), "last\r\n");
    EXPECT_EQ(client.Line(), "partial");
    EXPECT_EQ(client.Line(), "");
    EXPECT_EQ(client.Line(), "");
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(SocketBase, ResetIsReportedWithItsWindowsSocketsNumber)
{
    ScriptedServer server({"S< half a line", "WAIT 100", "RESET"});
    Client client(server.Port());
    client.socket.Connect();
    EXPECT_EQ(MessageOf<ESockError>([&] { client.Line(); }), "10054:Connection reset by peer");
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(SocketBase, ConnectFailures)
{
    {
        Client client(ClosedPort());
        EXPECT_EQ(MessageOf<ESockError>([&] { client.socket.Connect(); }), "Connection Failed");
        EXPECT_EQ(client.connectionFailures, 1);
        EXPECT_FALSE(client.socket.Connected());
    }
    {
        Client client(110);
        client.socket.Host = "";
        EXPECT_EQ(MessageOf<ESockError>([&] { client.socket.Connect(); }), "Null Remote Address");
    }
    {
        ScriptedServer server({"SILENT"});
        Client client(server.Port());
        client.socket.Connect();
        EXPECT_EQ(MessageOf<ESockError>([&] { client.socket.Connect(); }), "Already connected");
        EXPECT_TRUE(client.socket.Connected());
    }
}

TEST(SocketBase, InvalidHostHandlerIsAskedOnceAndMayRepair)
{
    ScriptedServer server({"S: +OK"});
    Client client(server.Port());
    client.socket.Host = "";
    int asked = 0;
    client.socket.OnInvalidHost = [&](bool& handled) {
        ++asked;
        client.socket.Host = "127.0.0.1";
        handled = true;
    };
    client.socket.Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(client.Line(), "+OK\r\n");

    Client stubborn(110);
    stubborn.socket.Host = "";
    int refusals = 0;
    stubborn.socket.OnInvalidHost = [&](bool&) { ++refusals; };
    EXPECT_EQ(MessageOf<ESockError>([&] { stubborn.socket.Connect(); }), "Null Remote Address");
    EXPECT_EQ(refusals, 1);
}

TEST(SocketBase, HostNamesAreLookedUp)
{
    ScriptedServer server({"S: +OK named"});
    Client client(server.Port());
    client.socket.Host = "localhost";
    int resolved = 0;
    client.socket.OnHostResolved = [&](TComponent*) { ++resolved; };
    client.socket.Connect();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(client.Line(), "+OK named\r\n");
}

TEST(SocketBase, ReadTimeOutAbortsClosesAndRaisesDisconnect)
{
    ScriptedServer server({"SILENT"});
    Client client(server.Port());
    client.socket.TimeOut = 300;
    client.socket.Connect();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(MessageOf<EAbortError>([&] { client.Line(); }), "Socket readln aborted");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(SocketBase, TimeOutCountsFromTheStartOfTheWaitNotFromTheLastByte)
{
    // One byte every 100 ms never completes a line within 400 ms.
    ScriptedServer server({"DRIP 100 abcdefghijklmnopqrstuvwxyz"});
    Client client(server.Port());
    client.socket.TimeOut = 400;
    client.socket.Connect();
    EXPECT_EQ(MessageOf<EAbortError>([&] { client.Line(); }), "Socket readln aborted");
}

TEST(SocketBase, PendingCancelEndsTheNextReadOrWriteOnceAndConnectClearsIt)
{
    ScriptedServer server({"S: +OK", "SILENT"});
    Client client(server.Port());
    client.socket.Connect();
    client.socket.Cancel();
    EXPECT_EQ(MessageOf<EAbortError>([&] { client.socket.Writeln("NOOP"); }), "Socket send aborted");
    EXPECT_EQ(client.Line(), "+OK\r\n");  // the request was used up
    client.socket.Cancel();
    EXPECT_EQ(MessageOf<EAbortError>([&] { client.Line(); }), "Socket readln aborted");
    EXPECT_TRUE(client.socket.Connected());

    client.socket.Cancel();
    client.socket.Disconnect();
    ScriptedServer second({"S: +OK again"});
    client.socket.Port = second.Port();
    client.socket.Connect();
    EXPECT_EQ(client.Line(), "+OK again\r\n");
}

TEST(SocketBase, OverlongLineIsAClearErrorNotUnboundedMemory)
{
    ScriptedServer server({ScriptedServer::Raw(std::string(8 * 1024 * 1024, 'x'))});
    Client client(server.Port());
    client.socket.Connect();
    const std::string message = MessageOf<ESockError>([&] { client.Line(); });
    EXPECT_NE(message.find("Line too long"), std::string::npos) << message;
    EXPECT_FALSE(client.socket.Connected());
}

TEST(SocketBase, LineOfExactlyTheLimitIsAccepted)
{
    const std::string line = std::string(TSocketBase::kMaxLine - 2, 'y') + "\r\n";
    ScriptedServer server({ScriptedServer::Raw(line)});
    Client client(server.Port());
    client.socket.Connect();
    EXPECT_EQ(client.Line(), line);
}

TEST(SocketBase, HangUpWhileIdleIsNoticedWithoutAnyCall)
{
    ScriptedServer server({"WAIT 50", "CLOSE"});
    Client client(server.Port());
    client.socket.Connect();
    for (int i = 0; i < 50 && client.socket.Connected(); ++i)
        client.pump.ProcessIdle(100);
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(SocketBase, HangUpWithUnreadDataKeepsTheConnectionUntilItIsRead)
{
    ScriptedServer server({"S: unread", "CLOSE"});
    Client client(server.Port());
    client.socket.Connect();
    for (int i = 0; i < 10; ++i)
        client.pump.ProcessIdle(50);
    EXPECT_TRUE(client.socket.Connected());
    EXPECT_EQ(client.Line(), "unread\r\n");
    EXPECT_EQ(client.Line(), "");
    EXPECT_FALSE(client.socket.Connected());
    EXPECT_EQ(client.disconnects, 1);
}

TEST(SocketBase, CheckConnectionAsksTheRepairHandlerOnce)
{
    PollPump pump;
    TSocketBase socket(nullptr, &pump);
    EXPECT_EQ(MessageOf<Exception>([&] { socket.CheckConnection(); }), "Not Connected");
    int asked = 0;
    socket.OnConnectionRequired = [&](bool& handled) {
        ++asked;
        handled = true;  // claims to have helped, but did not connect
    };
    EXPECT_EQ(MessageOf<Exception>([&] { socket.CheckConnection(); }), "Not Connected");
    EXPECT_EQ(asked, 1);
}

TEST(SocketBase, StatusReportsFollowTheReportLevel)
{
    ScriptedServer server({"C: CMD", "S: +OK reply"});
    Client client(server.Port());
    std::vector<std::string> seen;
    client.socket.OnStatus = [&](TComponent*, const std::string& status) {
        seen.push_back(status);
        throw std::runtime_error("a broken status handler must not matter");
    };
    client.socket.ReportLevel = 1;
    client.socket.Connect();
    std::string reply;
    client.socket.Transaction("CMD", reply);
    EXPECT_EQ(seen, std::vector<std::string>{"+OK reply\r\n"});
    EXPECT_EQ(client.socket.Status(), "+OK reply\r\n");
}
