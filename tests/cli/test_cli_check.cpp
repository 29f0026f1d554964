// tovik-cli check: log in, print the STAT count, say goodbye; and the ways a
// login fails, each one line with exit status 2.

#include "cli_process.h"
#include "ini_file.h"
#include "support/dovecot_mailbox.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Lines = std::vector<std::string>;

// A loopback port that nothing listens on (just released by the kernel).
int ClosedPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST(CliCheck, PrintsTheWaitingCountAndTakesNothing)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"Subject: a\r\n\r\n1\r\n", "Subject: b\r\n\r\n2\r\n", "Subject: c\r\n\r\n3\r\n"});
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "box", .id = user, .password = kDovecotPassword, .port = DovecotPort()}});
    const CliRun run = RunCli({"check", "--ini", ini});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "3\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(MailboxMessages(user).size(), 3u);
}

TEST(CliCheck, PortOptionOverridesTheAccountsPortAndTheDialogueEndsWithQuit)
{
    ScriptedServer server({"S: +OK ready", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT",
                           "S: +OK 2 300", "C: QUIT", "S: +OK bye"});
    const TempDir dir;
    // The second account, chosen by name, names a port nothing listens on.
    const std::string ini = WriteIni(dir, {{.name = "first", .server = "first.invalid"},
                                           {.name = "second", .port = ClosedPort()}});
    const CliRun run = RunCli({"check", "--ini", ini, "--account", "second", "--port", std::to_string(server.Port())});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2\n");
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), (Lines{"USER joe", "PASS pw", "STAT", "QUIT"}));
    EXPECT_EQ(server.Mismatches(), Lines{});
}

TEST(CliCheck, LoginFailuresAreOneLineNamingTheServer)
{
    struct Case {
        const char* what;
        Lines transcript;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {"greeting refused", {"S: -ERR go away", "C: QUIT", "CLOSE"}, "-ERR go away"},
        {"password refused", {"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: -ERR [AUTH] no", "C: QUIT", "S: +OK"},
         "Authentication failed"},
        {"STAT refused", {"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: -ERR locked",
                          "C: QUIT", "S: +OK"},
         "-ERR locked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedServer server(c.transcript);
        const TempDir dir;
        const std::string ini = WriteIni(dir, {{.name = "box", .port = server.Port()}});
        const CliRun run = RunCli({"check", "--ini", ini});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        // The server's reply loses its CR LF on the way to the terminal.
        EXPECT_EQ(run.err, "tovik-cli: 127.0.0.1:" + std::to_string(server.Port()) + ": " + c.reason + "\n");
    }
}

TEST(CliCheck, WrongPasswordOnARealServer)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"Subject: a\r\n\r\n1\r\n"});
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "box", .id = user, .password = "wrong", .port = DovecotPort()}});
    const CliRun run = RunCli({"check", "--ini", ini});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tovik-cli: 127.0.0.1:" + std::to_string(DovecotPort()) + ": Authentication failed\n");
}

TEST(CliCheck, NoServerListeningIsAConnectionError)
{
    const TempDir dir;
    const int port = ClosedPort();
    const std::string ini = WriteIni(dir, {{.name = "box", .port = port}});
    const CliRun run = RunCli({"check", "--ini", ini});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "tovik-cli: 127.0.0.1:" + std::to_string(port) + ": Connection Failed\n");
}

TEST(CliCheck, SilentServerRunsIntoTheTimeout)
{
    ScriptedServer server({"SILENT"});
    const TempDir dir;
    const std::string ini = WriteIni(dir, {{.name = "box", .port = server.Port()}});
    const CliRun run = RunCli({"check", "--ini", ini, "--timeout", "300"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tovik-cli: 127.0.0.1:" + std::to_string(server.Port()) + ": Socket readln aborted\n");
}

TEST(CliCheck, AccountsTlsSettingsAreHonoured)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"Subject: a\r\n\r\n1\r\n"});
    const std::string ca = "cafile=" + DovecotCaFile() + "\r\n";
    struct Case {
        const char* what;
        int port;
        std::string keys;
        int status;
        std::string out;
        std::string errPart;
    };
    const std::vector<Case> cases = {
        {"pop3s with the private CA", DovecotPop3sPort(), "ssl=pop3s\r\n" + ca, 0, "1\n", ""},
        {"starttls with the private CA", DovecotPort(), "ssl=starttls\r\n" + ca, 0, "1\n", ""},
        // The system's store does not know the test CA: nothing is sent.
        {"pop3s without the CA", DovecotPop3sPort(), "ssl=pop3s\r\n", 2, "", "Certificate verification failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir dir;
        const std::string ini = WriteIni(dir, {{.name = "box", .server = "localhost", .id = user,
                                                .password = kDovecotPassword, .port = c.port, .extraKeys = c.keys}});
        const CliRun run = RunCli({"check", "--ini", ini});
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_EQ(run.out, c.out);
        if (c.errPart.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.errPart), std::string::npos) << run.err;
        }
    }
}

TEST(CliCheck, UnknownSslSettingIsRefusedBeforeConnecting)
{
    const TempDir dir;
    // Had it tried the port, the error would be "Connection Failed".
    const std::string ini = WriteIni(dir, {{.name = "box", .port = ClosedPort(), .extraKeys = "ssl=tls\r\n"}});
    for (const char* command : {"check", "fetch"}) {
        const CliRun run = RunCli({command, "--ini", ini});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "tovik-cli: account box: Unknown ssl setting 'tls' (use none, pop3s or starttls)\n");
    }
}

}  // namespace
