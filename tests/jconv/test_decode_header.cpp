// DecodeHeader: the encoded-word scan, case by case.

#include "jconv/zt_conv.h"
#include "hex_bytes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using jconv_test::Hex;
using jconv_test::ToHex;

struct HeaderCase {
    std::string input;
    std::string expected;
    std::string why;
};

void PrintTo(const HeaderCase& c, std::ostream* os)
{
    *os << c.why << " [input " << ToHex(c.input) << "]";
}

// と (JIS 2448) as a complete word, used where two words meet.
const std::string kWordTo = "=?ISO-2022-JP?B?GyRCJEgbKEI=?=";

std::vector<HeaderCase> HeaderCases()
{
    return {
        {"", "", "empty input"},
        {"Hello", Hex("48 65 6C 6C 6F"), "plain text is copied"},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", Hex("83 65 83 58 83 67"), "one word"},
        {"=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", Hex("83 65 83 58 83 67"), "lower-case marker"},
        {"=?Iso-2022-jP?b?GyRCJUYlOSVIGyhC?=", Hex("83 65 83 58 83 67"), "mixed-case marker"},
        {" =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", Hex("20 83 65 83 58 83 67"), "leading space stays"},
        {"Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= ok", Hex("52 65 3A 20 83 65 83 58 83 67 20 6F 6B"),
         "text around a word"},
        {"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", Hex("93 FA 96 7B 8C EA"), "kanji"},
        {kWordTo + " " + kWordTo, Hex("82 C6 20 82 C6"), "space between words is copied"},
        {kWordTo + "\r\n " + kWordTo, Hex("82 C6 0D 0A 20 82 C6"), "folding between words is copied"},
        {kWordTo + kWordTo, Hex("82 C6") + "=?ISO-2022-JP?B?GyRCJEgbKEI=",
         "adjacent second word: its '=' is copied untested, the rest is text"},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVI?= =?ISO-2022-JP?B?GyhC?=", Hex("83 65 83 58 83 67 20"),
         "first word ends in two-byte mode, second holds only ESC ( B"},
        {"=?ISO-2022-JP?B?GyRCJUY=?= =?ISO-2022-JP?B?JTklSBsoQg==?=", Hex("83 65 20 25 39 25 48"),
         "each word starts in single-byte mode"},
        {"=?ISO-2022-JP?B?GyRCJEg=?=x", Hex("82 C6 78"), "byte after the closing marker"},
        {"abc =?ISO-2022-JP?B?GyRCJUYl", Hex("61 62 63 20"), "unclosed word is dropped"},
        {"abc=?ISO-2022-JP?B?", "abc", "opening marker at the very end"},
        {"abc=?ISO-2022-JP?B", "abc=?ISO-2022-JP?B", "marker cut one byte short is text"},
        {"=?ISO-2022-JP?B?" "?=x", Hex("78"), "empty word adds nothing"}, // split: "??=" is a trigraph
        {"1+1?=2", Hex("31 2B 31 32"), "closing marker outside a word is removed"},
        {"abc?=", "abc", "closing marker at the very end"},
        {"abc?", "abc?", "lone '?' at the end"},
        {"a?=?=b", Hex("61 3F 3D 62"), "byte after a removed closing marker is copied untested"},
        {"=?UTF-8?B?44GC?=", "=?UTF-8?B?44GC", "other charset is text"},
        {"=?ISO-2022-JP?Q?abc?=", "=?ISO-2022-JP?Q?abc", "Q encoding is text"},
        {"=?ISO_2022-JP?B?GyRCJEgbKEI=?=", "=?ISO_2022-JP?B?GyRCJEgbKEI=", "misspelt charset is text"},
        {"\xE9=?ISO-2022-JP?\xE2?GyRCJEgbKEI=?=", "\xE9=?ISO-2022-JP?\xE2?GyRCJEgbKEI=",
         "a non-ASCII byte never folds into a marker letter"},
        {"=?ISO-2022-JP?B?GyRC=?ISO-2022-JP?B?JEgbKEI=?=!", Hex("82 C6 21"),
         "opening marker inside a word is skipped"},
        {"=?ISO-2022-JP?B?GyRC JEgbKEI=?=", "",
         "space inside a word is not skipped: it shifts the groups into dropped pairs"},
        {"=?ISO-2022-JP?B?GyRCJEgbKE?=", Hex("82 C6"), "short base64 tail is ignored"},
    };
}

class DecodeHeaderCases : public testing::TestWithParam<HeaderCase> {};

TEST_P(DecodeHeaderCases, GivesTheExpectedBytes)
{
    const TZtConv conv;
    const HeaderCase& c = GetParam();
    EXPECT_EQ(ToHex(conv.DecodeHeader(c.input)), ToHex(c.expected)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, DecodeHeaderCases, testing::ValuesIn(HeaderCases()));

// Long inputs must not lose state between words or at buffer boundaries.
TEST(DecodeHeader, ManyWordsInOneValue)
{
    const TZtConv conv;
    std::string header;
    std::string expected;
    for (int i = 0; i < 2000; ++i) {
        header += kWordTo + " x ";
        expected += Hex("82 C6") + " x ";
    }
    EXPECT_EQ(conv.DecodeHeader(header), expected);
}

// Ordinary bytes are skipped in blocks; a marker must be seen wherever it
// falls within or across them.
TEST(DecodeHeader, FindsMarkersAtEveryOffset)
{
    const TZtConv conv;
    for (std::size_t offset = 0; offset < 40; ++offset) {
        const std::string pad(offset, 'a');
        EXPECT_EQ(conv.DecodeHeader(pad + "?=b" + pad), pad + "b" + pad) << offset;
        EXPECT_EQ(conv.DecodeHeader(pad + "=" + pad), pad + "=" + pad) << offset;
        EXPECT_EQ(conv.DecodeHeader(pad + kWordTo + pad), pad + Hex("82 C6") + pad) << offset;
    }
}

} // namespace
