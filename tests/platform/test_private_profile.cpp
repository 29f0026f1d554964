#include "platform/private_profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;

class PrivateProfile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "tovik-profile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        path_ = (dir_ / "test.ini").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& content) const
    {
        std::ofstream file(path_, std::ios::binary | std::ios::trunc);
        file << content;
    }

    std::string Read(const std::string& section, const std::string& key, const std::string& fallback = "<default>",
                     std::size_t bufferSize = 255) const
    {
        return GetPrivateProfileString(section, key, fallback, bufferSize, path_);
    }

    fs::path dir_;
    std::string path_;
};

struct LookupCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;
};

void PrintTo(const LookupCase& c, std::ostream* os)
{
    *os << c.name;
}

class ProfileLookup : public PrivateProfile, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(ProfileLookup, FindsTheValueTheWindowsReaderWould)
{
    const LookupCase& c = GetParam();
    Write(c.file);
    EXPECT_EQ(Read(c.section, c.key), c.expected);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileLookup,
    ::testing::Values(
        LookupCase{"plain", "[SetInfo]\ncount=2\n", "SetInfo", "count", "2"},
        LookupCase{"section_and_key_ignore_case", "[setinfo]\nCOUNT=2\n", "SETINFO", "Count", "2"},
        LookupCase{"blanks_around_names_and_values", "  [ SetInfo ]  \n \t count \t= \t2 x \t\n", "SetInfo",
                   "count", "2 x"},
        LookupCase{"blanks_around_lookup_names", "[SetInfo]\ncount=2\n", " SetInfo\t", " count ", "2"},
        LookupCase{"double_quotes_removed", "[a]\nk=\" spaced value \"\n", "a", "k", " spaced value "},
        LookupCase{"single_quotes_removed", "[a]\nk='v'\n", "a", "k", "v"},
        LookupCase{"only_one_pair_removed", "[a]\nk=\"\"v\"\"\n", "a", "k", "\"v\""},
        LookupCase{"unmatched_quotes_kept", "[a]\nk=\"v'\n", "a", "k", "\"v'"},
        LookupCase{"lone_quote_kept", "[a]\nk=\"\n", "a", "k", "\""},
        LookupCase{"quotes_inside_kept", "[a]\nk=say \"hi\"\n", "a", "k", "say \"hi\""},
        LookupCase{"first_key_wins", "[a]\nk=1\nk=2\n", "a", "k", "1"},
        LookupCase{"only_first_section_of_a_name_searched", "[a]\nx=1\n[A]\nk=2\n", "a", "k", "<default>"},
        LookupCase{"key_of_other_section_not_taken", "[a]\nk=1\n[b]\nj=2\n", "b", "k", "<default>"},
        LookupCase{"later_section_found", "[a]\nk=1\n[b]\nk=2\n", "b", "k", "2"},
        LookupCase{"comment_lines_skipped", "[a]\n;k=1\n  ; k=2\nk=3\n", "a", "k", "3"},
        LookupCase{"semicolon_in_value_kept", "[a]\nk=x;y\n", "a", "k", "x;y"},
        LookupCase{"crlf_line_ends", "[a]\r\nk=v\r\nj=w\r\n", "a", "k", "v"},
        LookupCase{"last_line_without_line_end", "[a]\nk=v", "a", "k", "v"},
        LookupCase{"empty_value_is_not_the_default", "[a]\nk=\n", "a", "k", ""},
        LookupCase{"line_without_equals_is_an_empty_key", "[a]\nk\n", "a", "k", ""},
        LookupCase{"value_keeps_later_equals", "[a]\nk=a=b\n", "a", "k", "a=b"},
        LookupCase{"keys_above_any_heading_unreachable", "k=1\n[a]\nj=2\n", "a", "k", "<default>"},
        LookupCase{"heading_without_bracket_ends_section", "[a]\n[b\nk=1\n", "a", "k", "<default>"},
        LookupCase{"heading_without_bracket_names_section", "[b\nk=1\n", "b", "k", "1"},
        LookupCase{"empty_section_name_never_matches", "[]\nk=1\n", "", "k", "<default>"},
        // Shift-JIS: the second bytes of 表 and ソ are a backslash; all bytes pass as they are.
        LookupCase{"shift_jis_bytes_kept", "[\x83\x65\x83\x58\x83\x67]\nk=\x95\x5c\x83\x5c\n",
                   "\x83\x65\x83\x58\x83\x67", "k", "\x95\x5c\x83\x5c"},
        LookupCase{"value_ends_at_nul", "[a]\nk=ab\0cd\n"s, "a", "k", "ab"}),
    [](const ::testing::TestParamInfo<LookupCase>& param) { return std::string(param.param.name); });

TEST_F(PrivateProfile, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(Read("SetInfo", "count", "0"), "0");
    Write("[SetInfo]\ncount=1\n");
    EXPECT_EQ(Read("Other", "count", "0"), "0");
    EXPECT_EQ(Read("SetInfo", "host1", ""), "");
    EXPECT_EQ(GetPrivateProfileString("a", "k", "d", 255, dir_.string()), "d") << "a directory is no file";
}

TEST_F(PrivateProfile, DefaultLosesTrailingBlanksAndIsCutLikeAValue)
{
    EXPECT_EQ(Read("a", "k", "dflt  \t"), "dflt");
    EXPECT_EQ(Read("a", "k", "abcdef", 4), "abc");
}

TEST_F(PrivateProfile, ResultKeepsBufferSizeMinusOneBytes)
{
    const std::string longValue(300, 'v');
    Write("[a]\nk=" + longValue + "\n");
    EXPECT_EQ(Read("a", "k", "", 255), std::string(254, 'v'));
    EXPECT_EQ(Read("a", "k", "", 301), longValue);
    EXPECT_EQ(Read("a", "k", "", 1), "");
    EXPECT_EQ(Read("a", "k", "", 0), "");
}

TEST_F(PrivateProfile, QuotesAreRemovedBeforeTheCut)
{
    Write("[a]\nk=\"" + std::string(300, 'v') + "\"\n");
    EXPECT_EQ(Read("a", "k", "", 255), std::string(254, 'v'));
}

TEST_F(PrivateProfile, HugeLinesAndNulBytesDoNotHideLaterSections)
{
    std::string content(8 * 1024 * 1024, 'x');  // one line of 8 MB, no '='
    content += "\n";
    content += std::string(1024 * 1024, '\0');
    content += "\n[a]\nk=found\n";
    Write(content);
    EXPECT_EQ(Read("a", "k"), "found");
    EXPECT_EQ(Read("a", "missing"), "<default>");
}

TEST_F(PrivateProfile, BinaryGarbageGivesTheDefaultOrAValueButNeverFails)
{
    std::mt19937 random(7);
    std::string garbage(2 * 1024 * 1024, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    Write(garbage);
    const std::string result = Read("a", "k", "", 255);
    EXPECT_LE(result.size(), 254U);

    // Garbage without a single line end, then a section.
    for (char& c : garbage)
        if (c == '\n' || c == '\r')
            c = 'x';
    Write(garbage + "\r\n[a]\r\nk=v\r\n");
    EXPECT_EQ(Read("a", "k"), "v");
}

}  // namespace
