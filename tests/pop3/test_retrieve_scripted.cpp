// RetrieveMessage against a scripted server: the replies and failures a real
// server can't be made to produce on demand.

#include "platform/exception.h"
#include "platform/poll_pump.h"
#include "pop3/pop3_client.h"
#include "support/scripted_server.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Lines = std::vector<std::string>;

const Lines kLogin = {"S: +OK ready", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: +OK 2 300"};

Lines Session(const Lines& steps)
{
    Lines all = kLogin;
    all.insert(all.end(), steps.begin(), steps.end());
    return all;
}

// A logged-in client writing into a directory of its own, logging the
// retrieve events it raises.
struct Retriever {
    TempDir dir;
    PollPump pump;
    TPop3Client client{nullptr, &pump};
    Lines events;

    explicit Retriever(const ScriptedServer& server)
    {
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.UserID = "joe";
        client.Password = "pw";
        client.SetAttachFilePath(dir.Path());
        client.OnRetrieveStart = [this](TComponent*) { events.push_back("start"); };
        client.OnRetrieveEnd = [this](TComponent*) { events.push_back("end"); };
        client.Connect();
    }

    // The message of the exception RetrieveMessage raised, or "" when none.
    std::string Retrieve(int number)
    {
        try {
            client.RetrieveMessage(number);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "";
    }

    const TMailMessage& Message() const { return client.MailMessage(); }
};

bool Sent(const ScriptedServer& server, const std::string& prefix)
{
    const Lines received = server.Received();
    return std::any_of(received.begin(), received.end(), [&](const std::string& l) { return l.starts_with(prefix); });
}

TEST(Retrieve, ScansHeaderAndCapturesBody)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK 120 octets", "S: From: a@b.example", "S: Subject: Hello",
                                   "S: Message-ID: <1@b>", "S: Content-Type: text/plain", "S:", "S: line one",
                                   "S: ..abc", "S: .", "C: QUIT", "S: +OK"}));
    Retriever r(server);
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_EQ(r.Message().Header.Items(),
              (Lines{"From: a@b.example", "Subject: Hello", "Message-ID: <1@b>", "Content-Type: text/plain", ""}));
    EXPECT_EQ(r.Message().Subject, " Hello");
    EXPECT_EQ(r.Message().From, "a@b.example");
    EXPECT_EQ(r.Message().MessageId, "<1@b>");
    EXPECT_EQ(r.Message().ContentType, "text/plain");
    // Byte-stuffing is kept as it came.
    EXPECT_EQ(r.Message().RawLines.Items(), (Lines{"line one", "..abc"}));
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"line one", "..abc"}));
    EXPECT_FALSE(r.client.Busy());
    EXPECT_FALSE(Sent(server, "DELE"));
    r.client.Disconnect();
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

TEST(Retrieve, EmptyBodyGivesNoLines)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: ."}));
    Retriever r(server);
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_TRUE(r.Message().RawLines.Empty());
    EXPECT_TRUE(r.Message().Body.Empty());
}

TEST(Retrieve, MessageEndingBeforeAnyEmptyLineHasNoBody)
{
    // The scan must stop at the terminating line: the next message follows.
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: no body", "S: .", "C: RETR 2", "S: +OK",
                                   "S: Subject: two", "S:", "S: text", "S: ."}));
    Retriever r(server);
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_EQ(r.Message().Subject, " no body");
    EXPECT_EQ(r.Message().Header.Items(), (Lines{"Subject: no body"}));
    EXPECT_TRUE(r.Message().RawLines.Empty());
    EXPECT_EQ(r.Retrieve(2), "");
    EXPECT_EQ(r.Message().Subject, " two");
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"text"}));
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

TEST(Retrieve, RefusedRetrCarriesTheReplyAndKeepsThePreviousMessage)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: first", "S:", "S: body", "S: .", "C: RETR 2",
                                   "S: -ERR no such message"}));
    Retriever r(server);
    ASSERT_EQ(r.Retrieve(1), "");
    std::string subjectAtEnd;
    r.client.OnRetrieveEnd = [&](TComponent*) { subjectAtEnd = r.Message().Subject; };
    EXPECT_EQ(r.Retrieve(2), "-ERR no such message\r\n");
    EXPECT_EQ(subjectAtEnd, " first");
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"body"}));
    EXPECT_FALSE(r.client.Busy());
}

struct DeleCase {
    const char* label;
    const char* reply;  // the DELE reply, as an "S<" step
    const char* error;  // "" when the retrieval succeeds
};

void PrintTo(const DeleCase& c, std::ostream* os) { *os << c.label; }

class DeleReplies : public ::testing::TestWithParam<DeleCase> {};

TEST_P(DeleReplies, FailOnlyOnAnExactErrField)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: body", "S: .", "C: DELE 1",
                                   std::string("S< ") + GetParam().reply}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    EXPECT_EQ(r.Retrieve(1), GetParam().error);
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_TRUE(r.dir.Names().count("Message1.eml"));
}

INSTANTIATE_TEST_SUITE_P(Cases, DeleReplies,
                         ::testing::Values(DeleCase{"err_with_text", "-ERR x\\r\\n", "-ERR x\r\n"},
                                           DeleCase{"ok", "+OK\\r\\n", ""},
                                           DeleCase{"err_small_letters", "-err x\\r\\n", ""},
                                           DeleCase{"err_alone_keeps_line_end_in_field", "-ERR\\r\\n", ""}),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(Retrieve, SavesTheMessageBeforeDele)
{
    ScriptedServer server(Session({"C: RETR 2", "S: +OK", "S: Subject: keep", "S:", "S: ..abc", "S: .x", "S: end",
                                   "S: .", "C: DELE 2", "S: +OK"}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    EXPECT_EQ(r.Retrieve(2), "");
    // Stuffing undone in the copy, as the sender wrote it.
    EXPECT_EQ(ReadFileBytes(r.dir.Path() + "Message2.eml"), "Subject: keep\r\n\r\n.abc\r\nx\r\nend\r\n");
    EXPECT_EQ(r.dir.Names(), (std::set<std::string>{"Message2.eml"}));
}

TEST(Retrieve, NoDeleWhenTheCopyCannotBeSaved)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: body", "S: .", "C: QUIT", "S: +OK"}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    r.client.SetAttachFilePath(r.dir.Path() + "missing");
    const std::string error = r.Retrieve(1);
    EXPECT_TRUE(error.starts_with("Cannot save a copy of message 1, so it was not deleted: ")) << error;
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    r.client.Disconnect();
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_FALSE(Sent(server, "DELE"));
    EXPECT_TRUE(server.Mismatches().empty()) << server.Mismatches().front();
}

TEST(Retrieve, ConnectionClosedInsideTheBodyFails)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: part of", "S: the body", "CLOSE"}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    EXPECT_EQ(r.Retrieve(1), "Connection closed during retrieval");
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_FALSE(r.client.Busy());
    EXPECT_TRUE(r.dir.Names().empty());
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_FALSE(Sent(server, "DELE"));
}

TEST(Retrieve, ConnectionClosedInsideTheHeaderFails)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "CLOSE"}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    EXPECT_EQ(r.Retrieve(1), "Connection closed during retrieval");
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_EQ(r.Message().Subject, " x");
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_FALSE(Sent(server, "DELE"));
}

TEST(Retrieve, ResetInsideTheBodyFailsWithTheSocketError)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: some", "WAIT 100", "RESET"}));
    Retriever r(server);
    r.client.DeleteOnRead = true;
    try {
        r.client.RetrieveMessage(1);
        FAIL() << "no error";
    } catch (const ESockError& e) {
        EXPECT_NE(e.Message().find("Connection reset by peer"), std::string::npos) << e.Message();
    } catch (const Exception& e) {
        // The reset may come after the data was taken for an orderly end.
        EXPECT_EQ(e.Message(), "Connection closed during retrieval");
    }
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_FALSE(r.client.Busy());
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_FALSE(Sent(server, "DELE"));
}

TEST(Retrieve, NestedCallFromStartOrPacketHandlerDoesNothing)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Subject: x", "S:", "S: a", "S: b", "S: .", "C: QUIT", "S: +OK"}));
    Retriever r(server);
    r.client.Parse = true;  // a 7bit single part goes through the part copy, line by line
    int nested = 0;
    r.client.OnRetrieveStart = [&](TComponent*) {
        r.events.push_back("start");
        r.client.RetrieveMessage(2);
        ++nested;
    };
    r.client.OnPacketRecvd = [&](TComponent*) {
        r.client.RetrieveMessage(2);
        ++nested;
    };
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"a", "b"}));
    EXPECT_EQ(r.client.BytesRecvd, 2);
    EXPECT_TRUE(r.dir.Names().empty()) << "a 7bit part writes no file";
    r.client.Disconnect();
    ASSERT_TRUE(server.WaitFinished());
    EXPECT_EQ(server.Received(), (Lines{"USER joe", "PASS pw", "STAT", "RETR 1", "QUIT"}));
}

TEST(Retrieve, NotConnectedRaisesWithoutEvents)
{
    PollPump pump;
    TPop3Client client(nullptr, &pump);
    int events = 0;
    client.OnRetrieveStart = [&](TComponent*) { ++events; };
    client.OnRetrieveEnd = [&](TComponent*) { ++events; };
    try {
        client.RetrieveMessage(1);
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Not Connected");
    }
    EXPECT_EQ(events, 0);
    EXPECT_FALSE(client.Busy());
}

TEST(Retrieve, ParsedBase64BodyIsLoadedFromItsFile)
{
    // "line 1\r\nline 2\r\n" in base64.
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Content-Transfer-Encoding: base64",
                                   "S: Content-Disposition: inline; filename=\"t.txt\"", "S:", "S: bGluZSAxDQpsaW5lIDIN",
                                   "S: Cg==", "S: ."}));
    Retriever r(server);
    r.client.Parse = true;
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_EQ(r.Message().Attachments.Items(), (Lines{"t.txt"}));
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"line 1", "line 2"}));
    EXPECT_EQ(ReadFileBytes(r.dir.Path() + "t.txt"), "line 1\r\nline 2\r\n");
}

TEST(Retrieve, ParsedBase64EmptyBodyFailsWithTheIndexError)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Content-Transfer-Encoding: base64", "S:", "S: ."}));
    Retriever r(server);
    r.client.Parse = true;
    EXPECT_EQ(r.Retrieve(1), "List index out of bounds (0)");
    EXPECT_EQ(r.events, (Lines{"start", "end"}));
}

TEST(Retrieve, MultipartIsSplitEvenWithoutParse)
{
    ScriptedServer server(Session({"C: RETR 1", "S: +OK", "S: Content-Type: multipart/mixed; boundary=\"sep42\"", "S:",
                                   "S: preamble", "S: --sep42", "S:", "S: text", "S: --sep42",
                                   "S: Content-Disposition: attachment; filename=\"a.txt\"", "S:", "S: attached",
                                   "S: --sep42--", "S: ."}));
    Retriever r(server);
    EXPECT_EQ(r.Retrieve(1), "");
    EXPECT_EQ(r.Message().Body.Items(), (Lines{"text", "\r\nFile \"a.txt\" extracted"}));
    EXPECT_EQ(ReadFileBytes(r.dir.Path() + "a.txt"), "attached\r\n");
    EXPECT_EQ(r.client.BytesRecvd, 2);
}

}  // namespace
