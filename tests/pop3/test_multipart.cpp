// The multipart walk over captured lines: which lines become the message
// text, which become files, under which names, and where the walk stops.

#include "platform/exception.h"
#include "pop3/pop3_client.h"

#include "encoders.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>

namespace {

using Lines = std::vector<std::string>;

Lines Join(std::initializer_list<Lines> pieces)
{
    Lines all;
    for (const Lines& piece : pieces)
        all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

std::string Announce(const std::string& name) { return "\r\nFile \"" + name + "\" extracted"; }

// "Temp{k}.mme" stands for the k-th temporary file of the walk under test.
std::string ResolveTemp(std::string name, int base)
{
    const auto open = name.find("{");
    if (open == std::string::npos)
        return name;
    const auto close = name.find('}', open);
    const int k = std::stoi(name.substr(open + 1, close - open - 1));
    return name.replace(open, close - open + 1, std::to_string(base + k));
}

struct WalkCase {
    const char* label;
    std::string boundary = "sep42";
    std::map<std::string, std::string> before;  // files in the directory beforehand
    Lines lines;
    Lines body;
    Lines attachments;
    std::map<std::string, std::string> after;  // the whole directory afterwards
    int tempFiles = 0;                          // temporary names taken
    int bytesRecvd = 0;
    std::optional<std::string> error;
};

const std::string kPdf = PatternBytes(300, 7);
const std::string kOther = PatternBytes(100, 8);

std::string CrLf(const Lines& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::vector<WalkCase> Cases()
{
    std::vector<WalkCase> cases;
    WalkCase c;

    c = {};
    c.label = "preamble_text_part_and_base64_attachment";
    c.lines = Join({{"This is a MIME preamble.", "--sep42", "Content-Type: text/plain", "", "Hello", "World", "--sep42",
                     "Content-Type: application/pdf; name=\"report.pdf\"", "Content-Transfer-Encoding: base64", ""},
                    Base64Lines(kPdf),
                    {"--sep42--", "epilogue"}});
    c.body = {"Hello", "World", Announce("report.pdf")};
    c.attachments = {"report.pdf"};
    c.after = {{"Temp{1}.mme", CrLf(Base64Lines(kPdf))}, {"report.pdf", kPdf}};
    c.tempFiles = 1;
    c.bytesRecvd = 2 + static_cast<int>(Base64Lines(kPdf).size());
    cases.push_back(c);

    c = {};
    c.label = "empty_part_leaves_an_empty_temporary_file";
    c.lines = {"--sep42", "", "text", "--sep42", "Content-Type: text/plain; name=\"e.txt\"", "", "--sep42--"};
    c.body = {"text"};
    c.after = {{"Temp{1}.mme", ""}};
    c.tempFiles = 1;
    c.bytesRecvd = 1;
    cases.push_back(c);

    c = {};
    c.label = "no_delimiter_line";
    c.lines = {"just", "text", "here"};
    c.error = "List index out of bounds (3)";
    cases.push_back(c);

    c = {};
    c.label = "unnamed_parts_chain_their_names";
    c.lines = {"--sep42", "", "first", "--sep42", "", "second", "--sep42", "", "third", "--sep42", "", "fourth", "--sep42--"};
    c.body = {"first", Announce("text.tmp"), Announce("text_1.tmp"), Announce("text_1_1.tmp")};
    c.attachments = {"text.tmp", "text_1.tmp", "text_1_1.tmp"};
    c.after = {{"text.tmp", "second\r\n"}, {"text_1.tmp", "third\r\n"}, {"text_1_1.tmp", "fourth\r\n"}};
    c.tempFiles = 3;
    c.bytesRecvd = 4;
    cases.push_back(c);

    c = {};
    c.label = "existing_file_is_not_replaced";
    c.before = {{"report.pdf", "old"}};
    c.lines = {"--sep42", "", "text", "--sep42", "Content-Disposition: attachment; filename=\"report.pdf\"", "", "new", "--sep42--"};
    c.body = {"text", Announce("report_1.pdf")};
    c.attachments = {"report_1.pdf"};
    c.after = {{"report.pdf", "old"}, {"report_1.pdf", "new\r\n"}};
    c.tempFiles = 1;
    c.bytesRecvd = 2;
    cases.push_back(c);

    c = {};
    c.label = "name_with_two_dots";
    c.before = {{"archive.tar.gz", "old"}};
    c.lines = {"--sep42", "", "text", "--sep42", "Content-Type: application/gzip; name=\"archive.tar.gz\"", "", "gz", "--sep42--"};
    c.body = {"text", Announce("archive.tar_1.gz")};
    c.attachments = {"archive.tar_1.gz"};
    c.after = {{"archive.tar.gz", "old"}, {"archive.tar_1.gz", "gz\r\n"}};
    c.tempFiles = 1;
    c.bytesRecvd = 2;
    cases.push_back(c);

    c = {};
    c.label = "uuencode_in_small_letters_is_renamed_not_decoded";
    c.lines = Join({{"--sep42", "", "text", "--sep42", "Content-Type: application/octet-stream; name=\"u.bin\"",
                     "Content-Transfer-Encoding: x-uuencode", ""},
                    UuencodeLines("u.bin", kOther),
                    {"--sep42--"}});
    c.body = {"text", Announce("u.bin")};
    c.attachments = {"u.bin"};
    c.after = {{"u.bin", CrLf(UuencodeLines("u.bin", kOther))}};
    c.tempFiles = 1;
    c.bytesRecvd = 1 + static_cast<int>(UuencodeLines("u.bin", kOther).size());
    cases.push_back(c);

    c = {};
    c.label = "uuencode_in_capitals_is_decoded";
    c.lines = Join({{"--sep42", "", "text", "--sep42", "Content-Type: application/octet-stream; name=\"u.bin\"",
                     "Content-Transfer-Encoding: X-UUENCODE", ""},
                    UuencodeLines("u.bin", kOther),
                    {"--sep42--"}});
    c.body = {"text", Announce("u.bin")};
    c.attachments = {"u.bin"};
    c.after = {{"Temp{1}.mme", CrLf(UuencodeLines("u.bin", kOther))}, {"u.bin", kOther}};
    c.tempFiles = 1;
    c.bytesRecvd = 1 + static_cast<int>(UuencodeLines("u.bin", kOther).size());
    cases.push_back(c);

    c = {};
    c.label = "base64_in_capitals_is_decoded";
    c.lines = Join({{"--sep42", "", "text", "--sep42", "Content-Type: image/png; name=\"p.png\"", "Content-Transfer-Encoding: BASE64", ""},
                    Base64Lines(kOther),
                    {"--sep42--"}});
    c.body = {"text", Announce("p.png")};
    c.attachments = {"p.png"};
    c.after = {{"Temp{1}.mme", CrLf(Base64Lines(kOther))}, {"p.png", kOther}};
    c.tempFiles = 1;
    c.bytesRecvd = 1 + static_cast<int>(Base64Lines(kOther).size());
    cases.push_back(c);

    c = {};
    c.label = "unnamed_part_after_a_base64_one_takes_its_name_and_encoding";
    c.lines = Join({{"--sep42", "", "text", "--sep42", "Content-Type: application/pdf; name=\"report.pdf\"",
                     "Content-Transfer-Encoding: base64", ""},
                    Base64Lines(kPdf),
                    {"--sep42", "Content-Type: application/octet-stream", ""},
                    Base64Lines(kOther),
                    {"--sep42--"}});
    c.body = {"text", Announce("report.pdf"), Announce("report_1.pdf")};
    c.attachments = {"report.pdf", "report_1.pdf"};
    c.after = {{"Temp{1}.mme", CrLf(Base64Lines(kPdf))},
               {"Temp{2}.mme", CrLf(Base64Lines(kOther))},
               {"report.pdf", kPdf},
               {"report_1.pdf", kOther}};
    c.tempFiles = 2;
    c.bytesRecvd = 1 + static_cast<int>(Base64Lines(kPdf).size() + Base64Lines(kOther).size());
    cases.push_back(c);

    c = {};
    c.label = "first_part_base64_goes_encoded_into_body";
    c.lines = Join({{"--sep42", "Content-Type: image/png; name=\"p.png\"", "Content-Transfer-Encoding: base64", ""},
                    Base64Lines("abc"),
                    {"--sep42--"}});
    c.body = Base64Lines("abc");
    c.bytesRecvd = 1;
    cases.push_back(c);

    c = {};
    c.label = "boundary_ending_in_two_hyphens_and_a_digit_closes_at_once";
    c.boundary = "b--1";
    c.lines = {"--b--1", "", "first", "--b--1", "", "second", "--b--1--"};
    c.body = {"first"};
    c.bytesRecvd = 1;
    cases.push_back(c);

    c = {};
    c.label = "nested_multipart_as_first_part_goes_whole_into_body";
    c.lines = {"--sep42", "Content-Type: multipart/alternative; boundary=\"in\"", "", "--in", "Content-Type: text/plain",
               "", "plain", "--in--", "--sep42--"};
    c.body = {"--in", "Content-Type: text/plain", "", "plain", "--in--"};
    c.bytesRecvd = 5;
    cases.push_back(c);

    c = {};
    c.label = "nested_multipart_as_later_part_is_one_file";
    c.lines = {"--sep42", "", "text", "--sep42", "Content-Type: multipart/alternative; boundary=\"in\"", "", "--in", "",
               "inner", "--in--", "--sep42--"};
    c.body = {"text", Announce("text.tmp")};
    c.attachments = {"text.tmp"};
    c.after = {{"text.tmp", "--in\r\n\r\ninner\r\n--in--\r\n"}};
    c.tempFiles = 1;
    c.bytesRecvd = 5;
    cases.push_back(c);

    c = {};
    c.label = "truncated_part_ends_with_the_lines";
    c.lines = {"--sep42", "", "first", "--sep42", "", "partial", "more"};
    c.body = {"first", Announce("text.tmp")};
    c.attachments = {"text.tmp"};
    c.after = {{"text.tmp", "partial\r\nmore\r\n"}};
    c.tempFiles = 1;
    c.bytesRecvd = 3;
    cases.push_back(c);

    c = {};
    c.label = "existing_temporary_file_is_skipped_not_truncated";
    c.before = {{"Temp{1}.mme", "only copy of an earlier part"}};
    c.lines = Join({{"--sep42", "", "text", "--sep42", "Content-Type: image/png; name=\"p.png\"",
                     "Content-Transfer-Encoding: base64", ""},
                    Base64Lines(kOther),
                    {"--sep42--"}});
    c.body = {"text", Announce("p.png")};
    c.attachments = {"p.png"};
    c.after = {{"Temp{1}.mme", "only copy of an earlier part"}, {"Temp{2}.mme", CrLf(Base64Lines(kOther))}, {"p.png", kOther}};
    c.tempFiles = 2;
    c.bytesRecvd = 1 + static_cast<int>(Base64Lines(kOther).size());
    cases.push_back(c);

    return cases;
}

// A client set up as RetrieveMessage leaves it after the message header.
class Walk {
public:
    explicit Walk(const std::string& dir, const std::string& boundary, const Lines& lines)
    {
        client.SetAttachFilePath(dir);
        client.PartMode = pmBody;
        client.MailMessage().Boundary = boundary;
        for (const std::string& line : lines)
            client.MailMessage().RawLines.Add(line);
        client.OnPacketRecvd = [this](TComponent*) { ++packets; };
        client.OnDecodeStart = [this](std::string&) { ++decodeStarts; };
        LineCursor = 0;
    }

    TPop3Client client;
    int packets = 0;
    int decodeStarts = 0;
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.label; }

class MultipartWalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(MultipartWalkTest, SplitsTheBodyIntoTextAndFiles)
{
    const WalkCase& c = GetParam();
    const TempDir dir;
    const int base = TempFileCount;
    for (const auto& [name, bytes] : c.before)
        WriteFileBytes(dir.Path() + ResolveTemp(name, base), bytes);
    Walk walk(dir.Path(), c.boundary, c.lines);

    if (c.error) {
        try {
            walk.client.ParseMultipart();
            FAIL() << "no error";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), *c.error);
        }
    } else {
        walk.client.ParseMultipart();
    }

    const TMailMessage& message = walk.client.MailMessage();
    EXPECT_EQ(message.Body.Items(), c.body);
    EXPECT_EQ(message.Attachments.Items(), c.attachments);
    EXPECT_EQ(TempFileCount - base, c.tempFiles);
    EXPECT_EQ(walk.client.BytesRecvd, c.bytesRecvd);
    EXPECT_EQ(walk.packets, c.bytesRecvd);
    EXPECT_EQ(walk.decodeStarts, static_cast<int>(c.attachments.size()));

    std::map<std::string, std::string> expected(c.before.begin(), c.before.end());
    for (const auto& [name, bytes] : c.after)
        expected[name] = bytes;
    std::map<std::string, std::string> actual;
    for (const std::string& name : dir.Names())
        actual[name] = ReadFileBytes(dir.Path() + name);
    std::map<std::string, std::string> resolved;
    for (const auto& [name, bytes] : expected)
        resolved[ResolveTemp(name, base)] = bytes;
    EXPECT_EQ(actual, resolved);
}

INSTANTIATE_TEST_SUITE_P(Cases, MultipartWalkTest, ::testing::ValuesIn(Cases()),
                         [](const auto& row) { return std::string(row.param.label); });

TEST(MultipartWalk, TemporaryNumbersGoOnAcrossMessages)
{
    const TempDir dir;
    const Lines lines = {"--sep42", "", "text", "--sep42", "Content-Transfer-Encoding: base64", "", "QUJD", "--sep42--"};
    const int base = TempFileCount;
    for (int message = 0; message < 2; ++message) {
        Walk walk(dir.Path(), "sep42", lines);
        walk.client.ParseMultipart();
    }
    EXPECT_EQ(TempFileCount, base + 2);
    const auto names = dir.Names();
    EXPECT_TRUE(names.count("Temp" + std::to_string(base + 1) + ".mme"));
    EXPECT_TRUE(names.count("Temp" + std::to_string(base + 2) + ".mme"));
    EXPECT_EQ(ReadFileBytes(dir.Path() + "text_1.tmp"), "ABC");
}

TEST(MultipartWalk, TemporaryFilesRunFromOneInAFreshProcess)
{
    const TempDir dir;
    const int saved = TempFileCount;
    TempFileCount = 0;  // as at process start
    Walk walk(dir.Path(), "sep42",
              {"--sep42", "", "t", "--sep42", "Content-Transfer-Encoding: base64", "", "QUJD", "--sep42", "", "REVG", "--sep42--"});
    walk.client.ParseMultipart();
    const int used = TempFileCount;
    TempFileCount = std::max(used, saved);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"Temp1.mme", "Temp2.mme", "text.tmp", "text_1.tmp"}));
    EXPECT_EQ(ReadFileBytes(dir.Path() + "Temp2.mme"), "REVG\r\n");
    EXPECT_EQ(ReadFileBytes(dir.Path() + "text_1.tmp"), "DEF");
}

// Part names from mail never reach outside the attachment directory.
TEST(MultipartWalk, UnsafeNamesStayInTheDirectory)
{
    const TempDir root;
    const std::string dir = root.Path("a/b");
    const Lines lines = Join({
        {"--sep42", "", "text"},
        {"--sep42", "Content-Type: text/plain; name=\"../../up.txt\"", "", "up"},
        {"--sep42", "Content-Type: text/plain; name=\"" + root.Path() + "abs.txt\"", "", "abs"},
        {"--sep42", "Content-Type: text/plain; name=\"..\"", "", "dots"},
        {"--sep42", "Content-Type: text/plain; name=\"..\\..\\win.txt\"", "", "win"},
        {"--sep42", "Content-Type: text/plain; name=\"c\x01trl.txt\"", "", "ctrl"},
        {"--sep42", "Content-Type: text/plain; name=\"\x95\x5C.txt\"", "", "sjis"},
        {"--sep42--"},
    });
    Walk walk(dir, "sep42", lines);
    walk.client.ParseMultipart();

    EXPECT_EQ(walk.client.MailMessage().Attachments.Items(),
              (Lines{"up.txt", "abs.txt", "text.tmp", "win.txt", "c_trl.txt", "\x95\x5C.txt"}));
    EXPECT_EQ(root.Names(), (std::set<std::string>{"a"}));
    EXPECT_EQ(root.Names("a"), (std::set<std::string>{"b"}));
    EXPECT_EQ(ReadFileBytes(dir + "up.txt"), "up\r\n");
    EXPECT_EQ(ReadFileBytes(dir + "\x95\x5C.txt"), "sjis\r\n");
}

TEST(MultipartWalk, DecodedPartNeverWritesThroughASymbolicLink)
{
    const TempDir root;
    const std::string dir = root.Path("att");
    const std::string outside = root.Path("outside") + "victim";
    std::filesystem::create_symlink(outside, dir + "evil.bin");
    Walk walk(dir, "sep42",
              {"--sep42", "", "t", "--sep42", "Content-Type: x; name=\"evil.bin\"", "Content-Transfer-Encoding: base64", "",
               "QUJD", "--sep42--"});
    walk.client.ParseMultipart();
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_EQ(walk.client.MailMessage().Attachments.Items(), (Lines{"evil_1.bin"}));
    EXPECT_EQ(ReadFileBytes(dir + "evil_1.bin"), "ABC");
}

TEST(MultipartWalk, DecodeStartHandlerNamesTheFile)
{
    const TempDir dir;
    Walk walk(dir.Path(), "sep42", {"--sep42", "", "t", "--sep42", "Content-Type: x; name=\"a.txt\"", "", "data", "--sep42--"});
    walk.client.OnDecodeStart = [](std::string& name) {
        EXPECT_EQ(name, "a.txt");
        name = "chosen.txt";
    };
    walk.client.ParseMultipart();
    EXPECT_EQ(walk.client.MailMessage().Attachments.Items(), (Lines{"chosen.txt"}));
    EXPECT_EQ(ReadFileBytes(dir.Path() + "chosen.txt"), "data\r\n");
}

TEST(MultipartWalk, UnwritableDirectoryFailsWithTheFileError)
{
    const TempDir dir;
    Walk walk(dir.Path() + "missing/", "sep42", {"--sep42", "", "t", "--sep42", "", "data", "--sep42--"});
    EXPECT_THROW(walk.client.ParseMultipart(), EFileError);
    EXPECT_EQ(walk.client.MailMessage().Body.Items(), (Lines{"t"}));
}

}  // namespace
