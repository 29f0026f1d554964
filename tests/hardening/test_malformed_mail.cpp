// Mail written by strangers, retrieved with DeleteOnRead: huge part counts,
// broken structure, NUL and 8-bit bytes, endless headers, hostile and
// colliding file names, garbage for the decoders. Each message is either
// retrieved, saved whole and then deleted, or refused with a clear error and
// left on the server; no file ever lands outside the attachment directory.

#include "mail_text.h"
#include "watched_client.h"

#include "platform/poll_pump.h"
#include "pop3/temp_dir.h"
#include "support/scripted_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace {

struct Retrieved {
    const TMailMessage& message;
    const std::string& dir;        // the attachment directory, ending in '/'
    std::set<std::string> names;   // its entries
};

struct MalformedCase {
    const char* name;
    std::function<std::string()> message;
    std::string failure;  // "" when the retrieval succeeds
    std::function<void(const Retrieved&)> check = [](const Retrieved&) {};
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

MimePart Named(const std::string& name, Lines body)
{
    return {{"Content-Type: application/octet-stream; name=\"" + name + "\""}, std::move(body)};
}

// Bytes 0x80..0xFF only: no ASCII, so no header test can match by chance.
std::string HighBytes(std::mt19937& random, std::size_t count)
{
    std::uniform_int_distribution<int> byte(0x80, 0xFF);
    std::string text;
    for (std::size_t i = 0; i < count; ++i)
        text += static_cast<char>(byte(random));
    return text;
}

std::string ManyParts(int count, const std::function<MimePart(int)>& part)
{
    std::vector<MimePart> parts;
    parts.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        parts.push_back(part(i));
    return MultipartMessage("=_b", parts);
}

std::vector<MalformedCase> Cases()
{
    const std::string tooLong =
        "retrieve 1: ESockError: Line too long: the server sent more than 65536 bytes without a line end";
    return {
        {"ten_thousand_parts",
         [] {
             return ManyParts(10000, [](int i) {
                 const std::string n = std::to_string(i);
                 return i == 0 ? MimePart{{}, {"text"}} : Named("p" + n + ".txt", {"part " + n});
             });
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Attachments.Count(), 9999);
             EXPECT_EQ(r.names.size(), 10000U) << "9999 parts and the copy";
             EXPECT_EQ(FileBytes(r.dir + "p9999.txt"), "part 9999\r\n");
         }},
        {"ten_thousand_unnamed_parts",
         [] {
             return ManyParts(10000, [](int i) { return MimePart{{"Content-Type: text/plain"}, {"part " + std::to_string(i)}}; });
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Attachments.Count(), 9999);
             // Each part starts from the name the one before ended with, so
             // the names grow until they are cut; whatever they become, every
             // part's bytes are kept in a file of their own.
             std::set<std::string> contents;
             for (const std::string& name : r.names)
                 contents.insert(FileBytes(r.dir + name));
             for (int i = 1; i < 10000; ++i)
                 ASSERT_TRUE(contents.count("part " + std::to_string(i) + "\r\n")) << "part " << i << " is lost";
         }},
        {"part_header_without_its_empty_line",
         [] {
             return CrLf({"Content-Type: multipart/mixed; boundary=\"=_b\"", "", "--=_b",
                          "Content-Type: text/plain; name=\"a.txt\"", "first part text", "--=_b",
                          "Content-Disposition: attachment; filename=\"b.txt\"", "", "data", "--=_b--"});
         },
         "",
         [](const Retrieved& r) {
             // The scan runs on through the next delimiter to the first empty
             // line: what follows it is the first part, text for the reader.
             EXPECT_EQ(r.message.Body.Items(), Lines{"data"});
             EXPECT_TRUE(r.message.Attachments.Empty());
         }},
        {"part_header_that_never_ends",
         [] { return CrLf({"Content-Type: multipart/mixed; boundary=\"=_b\"", "", "--=_b", "X-A: 1", "X-B: 2"}); },
         "",
         [](const Retrieved& r) { EXPECT_TRUE(r.message.Body.Empty()); }},
        {"boundary_that_never_closes",
         [] {
             return CrLf({"Content-Type: multipart/mixed; boundary=\"=_b\"", "", "--=_b", "", "text", "--=_b",
                          "Content-Disposition: attachment; filename=\"t.bin\"", "", "data1", "data2"});
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Body.Items(), (Lines{"text", "\r\nFile \"t.bin\" extracted"}));
             EXPECT_EQ(FileBytes(r.dir + "t.bin"), "data1\r\ndata2\r\n");
         }},
        {"boundary_that_never_appears",
         [] { return CrLf({"Content-Type: multipart/mixed; boundary=\"=_b\"", "", "just text", "more"}); },
         "retrieve 1: EListError: List index out of bounds (2)"},
        {"empty_boundary",
         [] { return CrLf({"Content-Type: multipart/mixed; boundary=\"\"", "", "--", "text", "----"}); },
         "retrieve 1: EListError: List index out of bounds (3)"},
        {"nul_bytes",
         [] {
             const std::string nul(1, '\0');
             return MultipartMessage("=_b", {{{}, {"a" + nul + "b"}}, Named("n" + nul + "l.txt", {nul + nul, "x" + nul})},
                                     {"Subject: a" + nul + "b", "X-Nul: " + nul + nul + nul});
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Subject, std::string(" a\0b", 4));
             EXPECT_EQ(r.message.Attachments.Items(), Lines{"n_l.txt"});
             EXPECT_EQ(FileBytes(r.dir + "n_l.txt"), std::string("\0\0\r\nx\0\r\n", 8));
         }},
        {"eight_bit_garbage_in_the_header",
         [] {
             std::mt19937 random(7);
             Lines header = {"Subject: " + HighBytes(random, 300), "From: " + HighBytes(random, 40)};
             for (int i = 0; i < 50; ++i)
                 header.push_back(HighBytes(random, 1 + i * 7) + (i % 2 ? ": " + HighBytes(random, 20) : ""));
             header.push_back("Content-Type: " + HighBytes(random, 30));
             header.push_back("");
             header.push_back(HighBytes(random, 500));
             return CrLf(header);
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Subject.size(), 256U);
             EXPECT_EQ(r.message.Body.Count(), 1);
         }},
        {"subject_of_64_kib_on_one_line",
         [] { return CrLf({"Subject: " + std::string(65000, 'S'), "", "body"}); },
         "",
         [](const Retrieved& r) { EXPECT_EQ(r.message.Subject, " " + std::string(255, 'S')); }},
        {"subject_of_1_mb_folded",
         [] {
             Lines header = {"Subject: " + std::string(60000, 'a')};
             for (int i = 0; i < 17; ++i)
                 header.push_back(" " + std::string(60000, 'b'));
             header.insert(header.end(), {"", "body"});
             return CrLf(header);
         },
         "",
         [](const Retrieved& r) { EXPECT_EQ(r.message.Subject, " " + std::string(255, 'a')); }},
        {"subject_of_1_mb_on_one_line", [] { return CrLf({"Subject: " + std::string(1 << 20, 'S'), "", "body"}); }, tooLong},
        {"file_name_of_5000_bytes",
         [] { return MultipartMessage("=_b", {{{}, {"text"}}, Named(std::string(4996, 'n') + ".pdf", {"pdf"})}); },
         "",
         [](const Retrieved& r) {
             ASSERT_EQ(r.message.Attachments.Count(), 1);
             const std::string& name = r.message.Attachments[0];
             EXPECT_LE(name.size(), 200U);
             EXPECT_TRUE(name.ends_with(".pdf")) << name;
             EXPECT_EQ(FileBytes(r.dir + name), "pdf\r\n");
         }},
        {"names_with_separators_and_control_bytes",
         [] {
             std::vector<MimePart> parts = {{{}, {"text"}}};
             for (const std::string name :
                  {"../../../evil.txt", "/tmp/abs.txt", "sub\\dir\\win.txt", "..", ".", "", "dir/", "esc\x1b[31m.txt",
                   "tab\there.txt", "del\x7f.txt", "Message1.eml", ".Message1.eml.part"})
                 parts.push_back(Named(name, {"from " + name}));
             return MultipartMessage("=_b", parts);
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Attachments.Items(),
                       (Lines{"evil.txt", "abs.txt", "win.txt", "text.tmp", "text_1.tmp", "text_2.tmp", "text_3.tmp",
                              "esc_[31m.txt", "tab_here.txt", "del_.txt", "Message1.eml", ".Message1.eml.part"}));
             // The part named like the copy keeps its bytes; the copy took another name.
             EXPECT_EQ(FileBytes(r.dir + "Message1.eml"), "from Message1.eml\r\n");
             EXPECT_EQ(FileBytes(r.dir + ".Message1.eml.part"), "from .Message1.eml.part\r\n");
         }},
        {"two_thousand_parts_of_one_name",
         [] {
             return ManyParts(2001, [](int i) { return i == 0 ? MimePart{{}, {"text"}} : Named("same.txt", {std::to_string(i)}); });
         },
         "",
         [](const Retrieved& r) {
             ASSERT_EQ(r.message.Attachments.Count(), 2000);
             for (int k = 0; k < 2000; ++k) {
                 const std::string expected = k == 0 ? "same.txt" : "same_" + std::to_string(k) + ".txt";
                 ASSERT_EQ(r.message.Attachments[k], expected);
             }
             EXPECT_EQ(FileBytes(r.dir + "same_1999.txt"), "2000\r\n");
         }},
        {"base64_garbage",
         [] {
             return MultipartMessage("=_b", {{{}, {"text"}},
                                             {{"Content-Disposition: attachment; filename=\"g.bin\"",
                                               "Content-Transfer-Encoding: base64"},
                                              {"!!!!", "====", "QUJD====QUJD", "\xff\xfe\x80", "A", std::string(60000, '+'),
                                               std::string("QU\0JD", 5), "=", "QQ", "Q===", ""}}});
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Attachments.Items(), Lines{"g.bin"});
             EXPECT_TRUE(r.names.count("g.bin"));
         }},
        {"uuencode_garbage",
         [] {
             return MultipartMessage("=_b", {{{}, {"text"}},
                                             {{"Content-Disposition: attachment; filename=\"u.bin\"",
                                               "Content-Transfer-Encoding: X-UUENCODE"},
                                              {"begin 644 u.bin", "M", "M!!", "\x7f\x7f\x7f", std::string(61, '~'), "begin", "`", "end",
                                               "end", "M" + std::string(60000, 'M')}}});
         },
         "",
         [](const Retrieved& r) {
             EXPECT_EQ(r.message.Attachments.Items(), Lines{"u.bin"});
             EXPECT_TRUE(r.names.count("u.bin"));
         }},
    };
}

std::set<std::string> CurrentDirectoryNames()
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        names.insert(entry.path().filename().string());
    return names;
}

// One message served by a scripted server and retrieved with DeleteOnRead
// into a directory of its own.
struct OneMessageSession {
    std::string message;
    ScriptedServer server;
    TempDir root;
    std::string dir = root.Path("att");
    PollPump pump;
    WatchedClient client{nullptr, &pump};
    SessionResult result;
    std::chrono::milliseconds took{0};

    explicit OneMessageSession(std::string text)
        : message(std::move(text)),
          server({"S: +OK", "C: USER joe", "S: +OK", "C: PASS pw", "S: +OK", "C: STAT", "S: +OK 1 1", "C: RETR 1",
                  ScriptedServer::Raw(RetrReply(message)), "C: *", "S: +OK", "C: *", "S: +OK"})
    {
        client.Host = "127.0.0.1";
        client.Port = server.Port();
        client.UserID = "joe";
        client.Password = "pw";
        client.DeleteOnRead = true;
        client.TimeOut = 10000;
        client.SetAttachFilePath(dir);
        client.Original = [this](int) { return message; };
        const auto start = std::chrono::steady_clock::now();
        result = RunSession(client);
        took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    }
};

class MalformedMail : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedMail, IsSavedWholeBeforeDeleOrRefusedAndStaysInItsDirectory)
{
    const MalformedCase& c = GetParam();
    const std::set<std::string> cwdBefore = CurrentDirectoryNames();
    OneMessageSession s(c.message());
    RecordProperty("retrieval_ms", static_cast<int>(s.took.count()));
    EXPECT_LT(s.took, std::chrono::seconds(30)) << "hung";
    ASSERT_TRUE(s.server.WaitFinished());

    const Lines sent = s.server.Received();
    const bool deleSent = std::find(sent.begin(), sent.end(), "DELE 1") != sent.end();
    if (c.failure.empty()) {
        EXPECT_TRUE(s.result.failures.empty()) << s.result.failures.front();
        EXPECT_TRUE(deleSent);
        ASSERT_EQ(s.client.deles.size(), 1U);
        EXPECT_NE(s.client.deles[0].copy, "") << "DELE before the complete copy";
        EXPECT_NE(FindSavedCopy(s.dir, s.message), "");
    } else {
        EXPECT_EQ(s.result.failures, Lines{c.failure});
        EXPECT_FALSE(deleSent);
        EXPECT_TRUE(SavedCopies(s.dir).empty());
    }

    // Only plain files, only in the attachment directory.
    EXPECT_EQ(s.root.Names(), (std::set<std::string>{"att"}));
    EXPECT_EQ(CurrentDirectoryNames(), cwdBefore);
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(s.dir)) {
        EXPECT_TRUE(entry.is_regular_file() && !entry.is_symlink()) << entry.path();
        names.insert(entry.path().filename().string());
    }
    if (c.failure.empty())
        c.check(Retrieved{s.client.MailMessage(), s.dir, names});
}

INSTANTIATE_TEST_SUITE_P(Cases, MalformedMail, ::testing::ValuesIn(Cases()),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace

namespace {

// Names are cut to 200 bytes to leave room for the "_k" of the collision
// rule; a part whose free name needs that room must still get a file of its
// own, decoded or not.
TEST(MalformedMailNames, LongNamesThatCollideNeverReplaceAnEarlierPart)
{
    const std::string name = std::string(250, 'L') + ".bin";
    const Lines base64 = {"Content-Type: application/octet-stream; name=\"" + name + "\"", "Content-Transfer-Encoding: base64"};
    OneMessageSession s(MultipartMessage("=_b", {{{}, {"text"}},
                                                 {base64, {"Zmlyc3Q="}},    // "first"
                                                 {base64, {"c2Vjb25k"}},    // "second"
                                                 {{"Content-Type: text/plain; name=\"" + name + "\"",
                                                   "Content-Transfer-Encoding: 7bit"},
                                                  {"third"}}}));
    ASSERT_TRUE(s.result.failures.empty()) << s.result.failures.front();
    const Lines attachments = s.client.MailMessage().Attachments.Items();
    ASSERT_EQ(attachments.size(), 3U);
    const std::set<std::string> distinct(attachments.begin(), attachments.end());
    EXPECT_EQ(distinct.size(), 3U);
    EXPECT_EQ(FileBytes(s.dir + attachments[0]), "first");
    EXPECT_EQ(FileBytes(s.dir + attachments[1]), "second");
    EXPECT_EQ(FileBytes(s.dir + attachments[2]), "third\r\n");
    for (const std::string& attachment : attachments)
        EXPECT_LE(attachment.size(), 255U);
}

}  // namespace
