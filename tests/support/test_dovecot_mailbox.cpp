// The mailbox helpers against the private Dovecot, checked with plain POP3.

#include "support/dovecot_mailbox.h"
#include "support/plain_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Reads a multi-line reply up to its terminating dot line.
std::string ReadUntilDot(PlainClient& client) {
    std::string all;
    for (;;) {
        const std::string line = client.ReadLine();
        if (line.empty() || line == ".\r\n") return all;
        all += line;
    }
}

class DovecotMailbox : public ::testing::Test {
protected:
    void SetUp() override { TOVIK_REQUIRE_DOVECOT(); }
};

TEST_F(DovecotMailbox, ServesTheMessagesInTheirOrderAndKeepsWhatIsNotDeleted) {
    const std::vector<std::string> messages = {
        "Subject: first\r\n\r\nbody one\r\n",
        "Subject: second\n\nbody two\n",  // LF only: the server sends CR LF
        "Subject: third\r\n\r\nbody three\r\n",
    };
    const std::string user = NewMailbox(messages);
    EXPECT_NE(NewMailbox({}), user);

    PlainClient client(DovecotPort());
    ASSERT_TRUE(client.Connected());
    ASSERT_EQ(client.ReadLine().substr(0, 3), "+OK");
    ASSERT_EQ(client.Command("USER " + user).substr(0, 3), "+OK");
    ASSERT_EQ(client.Command(std::string("PASS ") + kDovecotPassword).substr(0, 3), "+OK");
    EXPECT_EQ(client.Command("STAT").substr(0, 6), "+OK 3 ");
    ASSERT_EQ(client.Command("RETR 2").substr(0, 3), "+OK");
    EXPECT_EQ(ReadUntilDot(client), "Subject: second\r\n\r\nbody two\r\n");
    EXPECT_EQ(client.Command("DELE 1").substr(0, 3), "+OK");
    EXPECT_EQ(client.Command("QUIT").substr(0, 3), "+OK");
    client.ReadToEnd();

    EXPECT_EQ(MailboxMessages(user), (std::vector<std::string>{messages[1], messages[2]}));
}

TEST_F(DovecotMailbox, RefusesAWrongPassword) {
    const std::string user = NewMailbox({"Subject: x\r\n\r\n"});
    PlainClient client(DovecotPort());
    ASSERT_TRUE(client.Connected());
    ASSERT_EQ(client.ReadLine().substr(0, 3), "+OK");
    ASSERT_EQ(client.Command("USER " + user).substr(0, 3), "+OK");
    EXPECT_EQ(client.Command("PASS wrong").substr(0, 4), "-ERR");
}

}  // namespace
