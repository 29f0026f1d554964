// Retrieval from the real Dovecot of the test fixture.

#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "support/dovecot_mailbox.h"

#include "encoders.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

std::string CrLf(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// Notes, for every DELE it sends, whether the message's saved copy was
// already in the attachment directory.
class WatchedClient : public TPop3Client {
public:
    using TPop3Client::TPop3Client;
    std::vector<bool> copyBeforeDele;

    void Transaction(const std::string& Command, std::string& Reply) override
    {
        if (Command.starts_with("DELE ")) {
            const std::string copy = AttachFilePath() + "Message" + Command.substr(5) + ".eml";
            copyBeforeDele.push_back(std::filesystem::exists(copy));
        }
        TPop3Client::Transaction(Command, Reply);
    }
};

struct DovecotSession {
    TempDir dir;
    PollPump pump;
    WatchedClient client{nullptr, &pump};
    Lines subjects;  // MailMessage.Subject as OnRetrieveEnd sees it

    explicit DovecotSession(const std::string& user)
    {
        client.Host = "127.0.0.1";
        client.Port = DovecotPort();
        client.UserID = user;
        client.Password = kDovecotPassword;
        client.TimeOut = 20000;
        client.SetAttachFilePath(dir.Path());
        client.OnRetrieveEnd = [this](TComponent*) { subjects.push_back(client.MailMessage().Subject); };
        client.Connect();
    }
};

TEST(DovecotRetrieve, PlainMessagesInTurn)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"From: a@example.org\r\nSubject: one\r\n\r\nfirst body\r\n",
                                         "Subject: two\r\n\r\n.leading dot\r\nsecond\r\n",
                                         "Subject: three\r\n\r\n"});
    DovecotSession s(user);
    ASSERT_EQ(s.client.MessageCount(), 3);
    s.client.RetrieveMessage(1);
    EXPECT_EQ(s.client.MailMessage().From, "a@example.org");
    EXPECT_EQ(s.client.MailMessage().Body.Items(), (Lines{"first body"}));
    EXPECT_EQ(s.client.MailMessage().Header.Items().back(), "");
    s.client.RetrieveMessage(2);
    EXPECT_EQ(s.client.MailMessage().RawLines.Items(), (Lines{"..leading dot", "second"}));
    s.client.RetrieveMessage(3);
    EXPECT_TRUE(s.client.MailMessage().RawLines.Empty());
    EXPECT_EQ(s.subjects, (Lines{" one", " two", " three"}));
    s.client.Disconnect();
    EXPECT_EQ(MailboxMessages(user).size(), 3U) << "nothing deleted without DeleteOnRead";
    EXPECT_TRUE(s.dir.Names().empty());
}

TEST(DovecotRetrieve, Iso2022JpSubjectArrivesUndecoded)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string encoded = "=?ISO-2022-JP?B?GyRCJEYkOSRIGyhC?=";
    DovecotSession s(NewMailbox({"Subject: " + encoded + "\r\n\r\nbody\r\n"}));
    s.client.RetrieveMessage(1);
    EXPECT_EQ(s.client.MailMessage().Subject, " " + encoded);
    s.client.Disconnect();
}

TEST(DovecotRetrieve, MultipartAttachmentsDecodeToTheOriginalBytes)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string pdf = PatternBytes(20000, 3);
    const std::string archive = PatternBytes(5000, 4);
    const std::string message = CrLf(Lines{"Subject: files", "MIME-Version: 1.0",
                                           "Content-Type: multipart/mixed; boundary=\"=_tovik_0042\"", "",
                                           "This is a multi-part message in MIME format.", "--=_tovik_0042",
                                           "Content-Type: text/plain; charset=us-ascii", "", "See the files.",
                                           "--=_tovik_0042", "Content-Type: application/pdf; name=\"report.pdf\"",
                                           "Content-Transfer-Encoding: base64",
                                           "Content-Disposition: attachment; filename=\"report.pdf\"", ""})
                                + CrLf(Base64Lines(pdf))
                                + CrLf(Lines{"--=_tovik_0042", "Content-Type: application/octet-stream; name=\"a.bin\"",
                                             "Content-Transfer-Encoding: X-UUENCODE", ""})
                                + CrLf(UuencodeLines("a.bin", archive)) + CrLf(Lines{"--=_tovik_0042--", ""});
    DovecotSession s(NewMailbox({message}));
    s.client.RetrieveMessage(1);
    const TMailMessage& m = s.client.MailMessage();
    EXPECT_EQ(m.Body.Items(),
              (Lines{"See the files.", "\r\nFile \"report.pdf\" extracted", "\r\nFile \"a.bin\" extracted"}));
    EXPECT_EQ(m.Attachments.Items(), (Lines{"report.pdf", "a.bin"}));
    EXPECT_EQ(ReadFileBytes(s.dir.Path() + "report.pdf"), pdf);
    EXPECT_EQ(ReadFileBytes(s.dir.Path() + "a.bin"), archive);
    s.client.Disconnect();
}

TEST(DovecotRetrieve, DeleteOnReadRemovesOnlySavedMessages)
{
    TOVIK_REQUIRE_DOVECOT();
    const Lines messages = {"Subject: one\r\n\r\n..two dots\r\nend\r\n", "Subject: two\r\n\r\nsecond\r\n"};
    const std::string user = NewMailbox(messages);
    DovecotSession s(user);
    s.client.DeleteOnRead = true;
    s.client.RetrieveMessage(1);
    s.client.RetrieveMessage(2);
    s.client.Disconnect();
    EXPECT_EQ(s.client.copyBeforeDele, (std::vector<bool>{true, true}));
    EXPECT_TRUE(MailboxMessages(user).empty());
    EXPECT_EQ(ReadFileBytes(s.dir.Path() + "Message1.eml"), messages[0]);
    EXPECT_EQ(ReadFileBytes(s.dir.Path() + "Message2.eml"), messages[1]);
}

TEST(DovecotRetrieve, FailedCopyKeepsTheMessageOnTheServer)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox({"Subject: keep me\r\n\r\nbody\r\n"});
    DovecotSession s(user);
    s.client.DeleteOnRead = true;
    s.client.SetAttachFilePath(s.dir.Path() + "missing");
    EXPECT_THROW(s.client.RetrieveMessage(1), EFileError);
    s.client.Disconnect();
    EXPECT_TRUE(s.client.copyBeforeDele.empty()) << "no DELE sent";
    EXPECT_EQ(MailboxMessages(user).size(), 1U);
}

}  // namespace
