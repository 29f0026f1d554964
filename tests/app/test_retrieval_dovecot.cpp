// A whole session against a real POP3 server: connect, fetch three messages
// (one with an ISO-2022-JP subject), disconnect.

#include "gui_test_env.h"

#include "platform/qt/panel.h"
#include "support/dovecot_mailbox.h"

#include <QCheckBox>

using namespace Qt::Literals::StringLiterals;

namespace {

const std::vector<std::string> kMessages = {
    "From: a@example.com\r\nSubject: Hello there\r\n\r\nfirst body\r\n",
    "From: b@example.com\r\nSubject: =?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=\r\n"
    "Content-Type: text/plain; charset=ISO-2022-JP\r\n\r\nsecond body\r\n",
    "From: c@example.com\r\nSubject: third\r\n\r\nthird body\r\n",
};

struct DeleteCase {
    const char* name;
    bool deleteChecked;
    std::size_t messagesLeft;
};

void PrintTo(const DeleteCase& c, std::ostream* out)
{
    *out << c.name;
}

class DovecotRun : public WindowTest, public ::testing::WithParamInterface<DeleteCase> {};

}  // namespace

TEST_P(DovecotRun, FetchesEverySubjectDecodedAndDeletesAsTheBoxSays)
{
    TOVIK_REQUIRE_DOVECOT();
    const std::string user = NewMailbox(kMessages);
    Start({{"dovecot", "127.0.0.1", user, kDovecotPassword, DovecotPort()}});
    auto& deleteBox = Find<QCheckBox>("messageDelChkBx");
    if (deleteBox.isChecked() != GetParam().deleteChecked)
        MouseClick(deleteBox);

    Click("conctDisconctBtn");
    ASSERT_TRUE(boxes.Boxes().empty()) << boxes.Boxes().front().text.toStdString();
    EXPECT_EQ(Caption("totalCntLbl"), u"総件数：3"_s);
    EXPECT_EQ(Panel().Caption(), u"接続中"_s);

    Click("mailGetBtn");

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(Lines("messageGetMemo"),
              (QStringList{u" Hello there"_s, u" 日本語"_s, u" third"_s}));
    EXPECT_EQ(Caption("messageGetCntLbl"), u"現取得数：3"_s);
    EXPECT_EQ(Caption("messageGetErrCntLbl"), u"取得Err数："_s);
    EXPECT_TRUE(Lines("Memo1").isEmpty());

    Click("conctDisconctBtn");
    EXPECT_EQ(Panel().Caption(), u"切断"_s);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(MailboxMessages(user).size(), GetParam().messagesLeft);
}

INSTANTIATE_TEST_SUITE_P(Dovecot, DovecotRun,
                         ::testing::Values(DeleteCase{"DeleteChecked", true, 0},
                                           DeleteCase{"DeleteCleared", false, 3}),
                         [](const ::testing::TestParamInfo<DeleteCase>& param) {
                             return std::string(param.param.name);
                         });

TEST_F(WindowTest, DovecotSessionOverTls)
{
    TOVIK_REQUIRE_DOVECOT();
    for (const bool implicitTls : {true, false}) {
        const std::string user = NewMailbox(kMessages);
        const std::string keys = std::string(implicitTls ? "ssl=pop3s" : "ssl=starttls") + "\r\ncafile=" +
                                 DovecotCaFile() + "\r\n";
        Start({{"secure", "localhost", user, kDovecotPassword, implicitTls ? DovecotPop3sPort() : DovecotPort(), keys}});

        Click("conctDisconctBtn");
        ASSERT_TRUE(boxes.Boxes().empty()) << boxes.Boxes().front().text.toStdString();
        EXPECT_TRUE(halvorn->Pop3Client1.TlsActive());
        EXPECT_EQ(Caption("totalCntLbl"), u"総件数：3"_s);
        Click("mailGetBtn");
        EXPECT_EQ(Lines("messageGetMemo"), (QStringList{u" Hello there"_s, u" 日本語"_s, u" third"_s}));
        Click("conctDisconctBtn");
        EXPECT_EQ(Panel().Caption(), u"切断"_s);
        hostInfo.reset();
        halvorn.reset();
    }
}
