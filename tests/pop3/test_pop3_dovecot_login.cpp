// Login, count and logout against the real Dovecot of the test fixture.

#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "support/dovecot_mailbox.h"

#include <gtest/gtest.h>

namespace {

struct DovecotClient {
    PollPump pump;
    TPop3Client client{nullptr, &pump};
    int connects = 0;
    int disconnects = 0;

    DovecotClient(const std::string& user, const std::string& password)
    {
        client.Host = "127.0.0.1";
        client.Port = DovecotPort();
        client.UserID = user;
        client.Password = password;
        client.TimeOut = 20000;
        client.OnConnect = [this](TComponent*) { ++connects; };
        client.OnDisconnect = [this](TComponent*) { ++disconnects; };
    }
};

}  // namespace

TEST(Pop3DovecotLogin, CountsTheWaitingMessagesAndQuits)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"Subject: one\r\n\r\n1\r\n", "Subject: two\r\n\r\n2\r\n",
                                         "Subject: three\r\n\r\n3\r\n"});
    DovecotClient c(user, kDovecotPassword);
    c.client.Connect();
    EXPECT_EQ(c.client.MessageCount(), 3);
    EXPECT_EQ(c.connects, 1);
    c.client.Disconnect();
    EXPECT_FALSE(c.client.Connected());
    EXPECT_EQ(c.disconnects, 1);
    EXPECT_EQ(c.client.MessageCount(), 3);  // kept after the goodbye
    EXPECT_EQ(MailboxMessages(user).size(), 3u);  // nothing was deleted
}

TEST(Pop3DovecotLogin, EmptyMailboxCountsZero)
{
    TOVIK_REQUIRE_DOVECOT();
    DovecotClient c(NewMailbox({}), kDovecotPassword);
    c.client.Connect();
    EXPECT_EQ(c.client.MessageCount(), 0);
    c.client.Disconnect();
}

TEST(Pop3DovecotLogin, WrongPasswordFailsAndCloses)
{
    TOVIK_REQUIRE_DOVECOT();
    DovecotClient c(NewMailbox({"Subject: x\r\n\r\nx\r\n"}), "not-the-password");
    try {
        c.client.Connect();
        ADD_FAILURE() << "a wrong password logged in";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Authentication failed");
    }
    EXPECT_FALSE(c.client.Connected());
    EXPECT_EQ(c.connects, 0);
    EXPECT_EQ(c.disconnects, 1);
    EXPECT_FALSE(c.client.Busy());
}

TEST(Pop3DovecotLogin, HostNameIsLookedUp)
{
    TOVIK_REQUIRE_DOVECOT();
    DovecotClient c(NewMailbox({"Subject: x\r\n\r\nx\r\n"}), kDovecotPassword);
    c.client.Host = "localhost";
    c.client.Connect();
    EXPECT_EQ(c.client.MessageCount(), 1);
    c.client.Disconnect();
}
