// POP3 over TLS (POP3S) and STLS against Dovecot with a certificate from a
// private CA, and the failures a client must refuse.

#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "support/dovecot_mailbox.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct TlsClient {
    PollPump pump;
    TPop3Client client{nullptr, &pump};
    std::vector<std::string> events;

    TlsClient(TPop3Security security, int port, const std::string& user)
    {
        client.Host = "localhost";
        client.Port = port;
        client.UserID = user;
        client.Password = kDovecotPassword;
        client.Security = security;
        client.TimeOut = 20000;
        client.OnConnect = [this](TComponent*) { events.push_back("connect"); };
        client.OnDisconnect = [this](TComponent*) { events.push_back("disconnect"); };
    }

    std::string ConnectError()
    {
        try {
            client.Connect();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "";
    }
};

const std::string kMessage = "Subject: over tls\r\nFrom: a@example.com\r\n\r\nsecret body\r\n";

}  // namespace

TEST(Pop3TlsDovecot, Pop3sAndStlsLogInAndRetrieveWithATrustedCertificate)
{
    TOVIK_REQUIRE_DOVECOT();
    for (const auto security : {TPop3Security::Pop3s, TPop3Security::StartTls}) {
        const std::string user = NewMailbox({kMessage});
        TlsClient c(security, security == TPop3Security::Pop3s ? DovecotPop3sPort() : DovecotPort(), user);
        c.client.CaFile = DovecotCaFile();
        ASSERT_EQ(c.ConnectError(), "");
        EXPECT_TRUE(c.client.TlsActive());
        EXPECT_EQ(c.client.MessageCount(), 1);
        c.client.RetrieveMessage(1);
        EXPECT_EQ(c.client.MailMessage().Subject, " over tls");
        c.client.Disconnect();
        EXPECT_EQ(c.events, (std::vector<std::string>{"connect", "disconnect"}));
    }
}

TEST(Pop3TlsDovecot, UntrustedCertificateIsRefusedUnlessVerificationIsOff)
{
    TOVIK_REQUIRE_DOVECOT();
    for (const auto security : {TPop3Security::Pop3s, TPop3Security::StartTls}) {
        const int port = security == TPop3Security::Pop3s ? DovecotPop3sPort() : DovecotPort();
        const std::string user = NewMailbox({kMessage});
        TlsClient strict(security, port, user);  // the system's trust store knows no private CA
        EXPECT_EQ(strict.ConnectError(), "Certificate verification failed: unable to get local issuer certificate");
        EXPECT_FALSE(strict.client.Connected());
        EXPECT_EQ(std::count(strict.events.begin(), strict.events.end(), "connect"), 0);

        TlsClient lax(security, port, user);
        lax.client.VerifyPeer = false;
        EXPECT_EQ(lax.ConnectError(), "");
        EXPECT_EQ(lax.client.MessageCount(), 1);
        lax.client.Disconnect();
    }
    // Nothing was taken from the mailbox by the refused logins.
}

TEST(Pop3TlsDovecot, CertificateForAnotherNameIsRefused)
{
    TOVIK_REQUIRE_DOVECOT();
    TlsClient c(TPop3Security::Pop3s, DovecotPop3sPort(), NewMailbox({kMessage}));
    c.client.CaFile = DovecotCaFile();
    c.client.Host = "127.0.0.1";  // the certificate names only localhost
    EXPECT_EQ(c.ConnectError(), "Certificate verification failed: IP address mismatch");
    EXPECT_FALSE(c.client.Connected());
}

TEST(Pop3TlsDovecot, UnreadableCaFileIsAClearError)
{
    TOVIK_REQUIRE_DOVECOT();
    TlsClient c(TPop3Security::Pop3s, DovecotPop3sPort(), NewMailbox({}));
    c.client.CaFile = "/nonexistent/ca.pem";
    EXPECT_EQ(c.ConnectError(), "TLS is not available: cannot read the certificates in /nonexistent/ca.pem");
}

TEST(Pop3Tls, RefusedStlsEndsBeforeAnyCredentialIsSent)
{
    ScriptedServer server({"S: +OK", "C: STLS", "S: -ERR no TLS here", "C: QUIT", "S: +OK"});
    TlsClient c(TPop3Security::StartTls, server.Port(), "joe");
    c.client.Host = "127.0.0.1";
    EXPECT_EQ(c.ConnectError(), "-ERR no TLS here\r\n");
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), (std::vector<std::string>{"STLS", "QUIT"}));
}

TEST(Pop3Tls, HandshakeThatStallsEndsWithTheTimeOut)
{
    {
        ScriptedServer server({"SILENT"});
        TlsClient c(TPop3Security::Pop3s, server.Port(), "joe");
        c.client.Host = "127.0.0.1";
        c.client.TimeOut = 300;
        EXPECT_EQ(c.ConnectError(), "Connection Timed out");
        EXPECT_FALSE(c.client.Connected());
        EXPECT_TRUE(c.events.empty());
    }
    {
        ScriptedServer server({"S: +OK", "C: STLS", "S: +OK go ahead", "SILENT"});
        TlsClient c(TPop3Security::StartTls, server.Port(), "joe");
        c.client.Host = "127.0.0.1";
        c.client.TimeOut = 300;
        EXPECT_EQ(c.ConnectError(), "Connection Timed out");
        EXPECT_FALSE(c.client.Connected());
        EXPECT_EQ(c.events, std::vector<std::string>{"disconnect"});
        ASSERT_TRUE(server.WaitFinished());
        // After STLS only the client's handshake bytes: no USER in the clear.
        const auto received = server.Received();
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.front(), "STLS");
        for (const std::string& line : received)
            EXPECT_EQ(line.find("USER"), std::string::npos);
    }
}

TEST(Pop3Tls, GarbageInsteadOfAHandshakeIsAClearError)
{
    ScriptedServer server({"S: +OK this is not TLS", "WAIT 100", "CLOSE"});
    TlsClient c(TPop3Security::Pop3s, server.Port(), "joe");
    c.client.Host = "127.0.0.1";
    const std::string error = c.ConnectError();
    EXPECT_EQ(error.rfind("TLS handshake failed: ", 0), 0u) << error;
    EXPECT_FALSE(c.client.Connected());
}
