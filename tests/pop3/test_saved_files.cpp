// The files retrieval writes besides the parts: the saved copy of a message
// before DELE, and a decoded body read back as lines.

#include "platform/exception.h"
#include "pop3/message_copy.h"
#include "pop3/text_lines.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

TMailMessage MessageOf(const Lines& header, const Lines& body)
{
    TMailMessage message;
    for (const std::string& line : header)
        message.Header.Add(line);
    for (const std::string& line : body)
        message.RawLines.Add(line);
    return message;
}

TEST(MessageCopy, NeverReplacesAnEarlierCopy)
{
    const TempDir dir;
    WriteFileBytes(dir.Path() + "Message1.eml", "earlier");
    const TMailMessage message = MessageOf({"Subject: a", ""}, {"body"});
    EXPECT_EQ(SaveMessageCopy(dir.Path(), 1, message), "Message1_1.eml");
    EXPECT_EQ(SaveMessageCopy(dir.Path(), 1, message), "Message1_2.eml");
    EXPECT_EQ(ReadFileBytes(dir.Path() + "Message1.eml"), "earlier");
    EXPECT_EQ(ReadFileBytes(dir.Path() + "Message1_2.eml"), "Subject: a\r\n\r\nbody\r\n");
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"Message1.eml", "Message1_1.eml", "Message1_2.eml"}));
}

TEST(MessageCopy, NeverWritesThroughASymbolicLink)
{
    const TempDir root;
    const std::string dir = root.Path("att");
    const std::string outside = root.Path("outside") + "victim";
    std::filesystem::create_symlink(outside, dir + "Message3.eml");
    EXPECT_EQ(SaveMessageCopy(dir, 3, MessageOf({"A: b", ""}, {})), "Message3_1.eml");
    EXPECT_FALSE(std::filesystem::exists(outside));
}

TEST(MessageCopy, MessageWithoutBodyIsItsHeader)
{
    const TempDir dir;
    SaveMessageCopy(dir.Path(), 4, MessageOf({"Subject: only"}, {}));
    EXPECT_EQ(ReadFileBytes(dir.Path() + "Message4.eml"), "Subject: only\r\n");
}

TEST(MessageCopy, FailureSaysWhyAndLeavesNothing)
{
    const TempDir dir;
    // A directory path that runs through a regular file.
    WriteFileBytes(dir.Path() + "file", "x");
    try {
        SaveMessageCopy(dir.Path() + "file/", 7, MessageOf({"A: b", ""}, {"c"}));
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.Message().rfind("Cannot save a copy of message 7, so it was not deleted: Cannot create file", 0), 0U)
            << e.Message();
    }
    EXPECT_EQ(dir.Names(), (std::set<std::string>{"file"}));
}

struct LinesCase {
    const char* label;
    std::string bytes;
    Lines lines;
};

void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.label; }

class TextLinesTest : public ::testing::TestWithParam<LinesCase> {};

TEST_P(TextLinesTest, SplitAtLineEnds)
{
    const TempDir dir;
    WriteFileBytes(dir.Path() + "f", GetParam().bytes);
    TExStringList lines;
    lines.Add("replaced");
    LoadTextLines(dir.Path() + "f", lines);
    EXPECT_EQ(lines.Items(), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextLinesTest,
    ::testing::Values(LinesCase{"empty", "", {}}, LinesCase{"crlf", "a\r\nb\r\n", {"a", "b"}},
                      LinesCase{"lf", "a\nb\n", {"a", "b"}}, LinesCase{"last_line_unended", "a\r\nb", {"a", "b"}},
                      LinesCase{"empty_lines", "\r\n\n", {"", ""}}, LinesCase{"lone_cr_kept", "a\rb\n", {"a\rb"}},
                      LinesCase{"line_across_buffers", std::string(70000, 'x') + "\r\ny", {std::string(70000, 'x'), "y"}}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(TextLines, MissingFileIsAFileError)
{
    const TempDir dir;
    TExStringList lines;
    EXPECT_THROW(LoadTextLines(dir.Path() + "none", lines), EFileError);
}

}  // namespace
