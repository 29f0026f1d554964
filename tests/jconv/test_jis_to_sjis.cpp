// JisToSjis and JisToSjisPair: escape handling, pairing, and the arithmetic.

#include "jconv/zt_conv.h"
#include "hex_bytes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

using jconv_test::Hex;
using jconv_test::ToHex;

struct JisCase {
    std::string input; // hex
    std::string expected; // hex
    std::string why;
};

void PrintTo(const JisCase& c, std::ostream* os)
{
    *os << c.why << " [input " << c.input << "]";
}

class JisToSjisCases : public testing::TestWithParam<JisCase> {};

TEST_P(JisToSjisCases, GivesTheExpectedBytes)
{
    const TZtConv conv;
    const JisCase& c = GetParam();
    EXPECT_EQ(ToHex(conv.JisToSjis(Hex(c.input))), ToHex(Hex(c.expected))) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, JisToSjisCases,
    testing::ValuesIn(std::vector<JisCase>{
        {"", "", "empty"},
        {"61 62 63", "61 62 63", "single-byte text is copied"},
        {"1B 24 42 30 21 1B 28 42 78", "88 9F 78", "two-byte run and back"},
        {"1B 24 42 30 21 1B 28 4A 61", "88 9F 61", "ESC ( J also returns to single-byte"},
        {"1B 24 42 30 21 1B 24 42 30 22", "88 9F 88 A0", "repeated ESC $ B"},
        {"1B 24 42 30 21 30", "88 9F", "odd last byte dropped"},
        {"1B 24 42 0D 0A 30 21", "88 9F", "pair with a low row byte dropped"},
        {"1B 24 42 B0 A1 30 21", "88 9F", "pair with a high row byte dropped"},
        {"1B 24 42 30 1B 28 42", "88 99 84 C0", "misaligned pairs consume the escape"},
        {"1B 24 42 30 21 1B 28", "88 9F", "cut escape in two-byte mode is a dropped pair"},
        {"1B 24", "1B 24", "cut escape in single-byte mode is data"},
        {"1B 24 42", "", "escape alone"},
        {"1B 1B 24 42 24 22", "1B 82 A0", "stray ESC right before a real escape"},
        {"1B 24 40 30 21", "1B 24 40 30 21", "ESC $ @ is data"},
        {"1B 28 4A 61 62 63", "61 62 63", "ESC ( J in single-byte mode"},
        {"1B 28 49 78", "1B 28 49 78", "ESC ( I is data"},
        {"61 0E 62 0F 63", "61 0E 62 0F 63", "SO and SI are data"},
        {"1B 24 42 24 22 1B 28 42 41 1B 24 42 24 22", "82 A0 41 82 A0", "modes alternate"},
    }));

struct PairCase {
    unsigned char c1;
    unsigned char c2;
    std::string expected; // hex
    std::string why;
};

void PrintTo(const PairCase& c, std::ostream* os)
{
    *os << c.why;
}

class JisToSjisPairCases : public testing::TestWithParam<PairCase> {};

TEST_P(JisToSjisPairCases, GivesTheExpectedBytes)
{
    const TZtConv conv;
    const PairCase& c = GetParam();
    EXPECT_EQ(ToHex(conv.JisToSjisPair(c.c1, c.c2)), ToHex(Hex(c.expected))) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, JisToSjisPairCases,
    testing::ValuesIn(std::vector<PairCase>{
        {0x30, 0x21, "88 9F", "kanji, even row"},
        {0x24, 0x22, "82 A0", "hiragana"},
        {0x21, 0x21, "81 40", "first code"},
        {0x21, 0x7E, "81 9E", "odd row, last cell"},
        {0x22, 0x21, "81 9F", "even row, first cell"},
        {0x25, 0x5F, "83 7E", "odd row, last cell below 0x60"},
        {0x25, 0x60, "83 80", "odd row, first cell from 0x60 skips 0x7F"},
        {0x5E, 0x7E, "9F FC", "last row with offset 0x70"},
        {0x5F, 0x21, "E0 40", "first row with offset 0xB0"},
        {0x5F, 0x7E, "E0 9E", "odd row above the switch"},
        {0x7E, 0x7E, "EF FC", "highest code"},
        {0x20, 0x21, "", "row byte too low"},
        {0x7F, 0x21, "", "row byte too high"},
        {0x00, 0x00, "", "zero row byte"},
        {0xA1, 0xA1, "", "EUC-style row byte"},
        {0x30, 0x82, "88 00", "cell not tested, even row wraps"},
        {0x31, 0xF0, "89 10", "cell not tested, odd row wraps"},
    }));

// Over the whole 94 x 94 grid the mapping lands in the Shift-JIS lead and
// trail ranges and never sends two codes to the same bytes.
TEST(JisToSjisPair, GridMapsOneToOneIntoShiftJisRanges)
{
    const TZtConv conv;
    std::set<std::string> seen;
    for (unsigned c1 = 0x21; c1 <= 0x7E; ++c1) {
        for (unsigned c2 = 0x21; c2 <= 0x7E; ++c2) {
            const std::string sjis =
                conv.JisToSjisPair(static_cast<unsigned char>(c1), static_cast<unsigned char>(c2));
            ASSERT_EQ(sjis.size(), 2u);
            const auto s1 = static_cast<unsigned char>(sjis[0]);
            const auto s2 = static_cast<unsigned char>(sjis[1]);
            EXPECT_TRUE((s1 >= 0x81 && s1 <= 0x9F) || (s1 >= 0xE0 && s1 <= 0xEF)) << ToHex(sjis);
            EXPECT_TRUE(s2 >= 0x40 && s2 <= 0xFC && s2 != 0x7F) << ToHex(sjis);
            EXPECT_TRUE(seen.insert(sjis).second) << "duplicate " << ToHex(sjis);
        }
    }
}

} // namespace
