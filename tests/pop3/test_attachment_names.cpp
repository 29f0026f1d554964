// Attachment names come from mail: whatever they say, the file stays in the
// attachment directory.

#include "pop3/attachment_names.h"
#include "pop3/pop3_client.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* label;
    std::string from;
    std::string expected;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.label; }

class SafeAttachmentNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(SafeAttachmentNameTest, GivesAPlainNameInsideTheDirectory)
{
    EXPECT_EQ(SafeAttachmentName(GetParam().from), GetParam().expected);
}

// "表" in Shift-JIS is 0x95 0x5C: its second byte is '\'.
const std::string kHyou = "\x95\x5C";
// "ソ" is 0x83 0x5C.
const std::string kSo = "\x83\x5C";

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeAttachmentNameTest,
    ::testing::Values(
        NameCase{"plain", "report.pdf", "report.pdf"},
        NameCase{"dotfile", ".profile", ".profile"},
        NameCase{"parent_dirs", "../../.bashrc", ".bashrc"},
        NameCase{"absolute", "/etc/passwd", "passwd"},
        NameCase{"subdir", "a/b", "b"},
        NameCase{"backslash_dirs", "..\\..\\boot.ini", "boot.ini"},
        NameCase{"trailing_slash", "dir/", "text.tmp"},
        NameCase{"dot", ".", "text.tmp"},
        NameCase{"dotdot", "..", "text.tmp"},
        NameCase{"dir_then_dotdot", "a/..", "text.tmp"},
        NameCase{"empty", "", "text.tmp"},
        NameCase{"control_bytes", std::string("a\x01\tb\x7f\r\n.txt"), "a__b___.txt"},
        NameCase{"nul_byte", std::string("a\0b.txt", 7), "a_b.txt"},
        NameCase{"sjis_kept", kHyou + ".txt", kHyou + ".txt"},
        NameCase{"sjis_trail_backslash_is_no_separator", "\x83\x5C\x83\x74\x83\x67.txt",
                 "\x83\x5C\x83\x74\x83\x67.txt"},
        NameCase{"sjis_then_separator", kSo + "\\x.txt", "x.txt"},
        NameCase{"half_width_kana_then_backslash", "\xB1\\x.txt", "x.txt"},
        NameCase{"lone_lead_byte_at_end", "a\x95", "a\x95"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(SafeAttachmentName, LongNameIsCutAndKeepsItsExtension)
{
    const std::string name = std::string(300, 'x') + ".pdf";
    const std::string safe = SafeAttachmentName(name);
    EXPECT_EQ(safe.size(), kMaxAttachmentName);
    EXPECT_EQ(safe, std::string(kMaxAttachmentName - 4, 'x') + ".pdf");
}

TEST(SafeAttachmentName, LongNameIsNeverCutInsideAShiftJisPair)
{
    std::string stem;
    for (int i = 0; i < 150; ++i)
        stem += kHyou;
    const std::string safe = SafeAttachmentName("x" + stem + ".txt");
    ASSERT_LE(safe.size(), kMaxAttachmentName);
    ASSERT_EQ(safe.substr(safe.size() - 4), ".txt");
    // "x", then whole pairs only.
    const std::string kept = safe.substr(1, safe.size() - 5);
    EXPECT_EQ(kept.size() % 2, 0U);
    for (std::size_t i = 0; i < kept.size(); i += 2)
        EXPECT_EQ(kept.substr(i, 2), kHyou);
}

TEST(SafeAttachmentName, LongNameWithHugeExtensionIsCutWhole)
{
    const std::string safe = SafeAttachmentName("a." + std::string(300, 'e'));
    EXPECT_EQ(safe, "a." + std::string(kMaxAttachmentName - 2, 'e'));
}

struct FreeNameCase {
    const char* label;
    std::vector<std::string> existing;
    std::string name;
    std::string expected;
};

void PrintTo(const FreeNameCase& c, std::ostream* os) { *os << c.label; }

class FreeFileNameTest : public ::testing::TestWithParam<FreeNameCase> {};

TEST_P(FreeFileNameTest, FollowsTheCollisionRule)
{
    const TempDir dir;
    for (const std::string& name : GetParam().existing)
        WriteFileBytes(dir.Path() + name, "old");
    EXPECT_EQ(FreeFileName(dir.Path(), GetParam().name), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FreeFileNameTest,
    ::testing::Values(FreeNameCase{"free", {}, "report.pdf", "report.pdf"},
                      FreeNameCase{"taken", {"report.pdf"}, "report.pdf", "report_1.pdf"},
                      FreeNameCase{"two_taken", {"report.pdf", "report_1.pdf"}, "report.pdf", "report_2.pdf"},
                      FreeNameCase{"two_dots", {"archive.tar.gz"}, "archive.tar.gz", "archive.tar_1.gz"},
                      FreeNameCase{"no_dot", {"README", "README_1"}, "README", "README_2"},
                      FreeNameCase{"leading_dot", {".profile"}, ".profile", "_1.profile"}),
    [](const auto& row) { return std::string(row.param.label); });

TEST(FreeFileName, ADanglingSymbolicLinkCountsAsTaken)
{
    const TempDir dir;
    std::filesystem::create_symlink(dir.Path("outside") + "target", dir.Path() + "x.bin");
    EXPECT_EQ(FreeFileName(dir.Path(), "x.bin"), "x_1.bin");
}

struct LastPosCase {
    std::string sub;
    std::string s;
    int expected;
};

TEST(LastPos, FindsTheLastOccurrenceCountedWithoutOverlap)
{
    const LastPosCase cases[] = {
        {".", "archive.tar.gz", 12}, {".", "report", 0},  {".", ".profile", 1}, {"aa", "aaa", 1},
        {"aa", "aaaa", 3},           {"", "abc", 0},      {"x", "", 0},         {"ab", "abXab", 4},
    };
    for (const LastPosCase& c : cases)
        EXPECT_EQ(LastPos(c.sub, c.s), c.expected) << '"' << c.sub << "\" in \"" << c.s << '"';
}

}  // namespace
