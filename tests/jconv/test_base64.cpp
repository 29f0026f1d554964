// Base64Value and Base64Decode: the alphabet, the no-skip grouping and the
// zero-byte rule.

#include "jconv/zt_conv.h"
#include "base64_encode.h"
#include "hex_bytes.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using jconv_test::Base64Encode;
using jconv_test::Hex;
using jconv_test::ToHex;

struct ValueCase {
    unsigned char byte;
    unsigned char value;
};

void PrintTo(const ValueCase& c, std::ostream* os)
{
    *os << "byte " << ToHex(std::string(1, static_cast<char>(c.byte)));
}

class Base64ValueCases : public testing::TestWithParam<ValueCase> {};

TEST_P(Base64ValueCases, MapsTheByte)
{
    const TZtConv conv;
    EXPECT_EQ(conv.Base64Value(GetParam().byte), GetParam().value);
}

// The ends of each range and their neighbours outside it.
INSTANTIATE_TEST_SUITE_P(Table, Base64ValueCases,
                         testing::Values(ValueCase{'A', 0}, ValueCase{'Z', 25}, ValueCase{'a', 26},
                                         ValueCase{'z', 51}, ValueCase{'0', 52}, ValueCase{'9', 61},
                                         ValueCase{'+', 62}, ValueCase{'/', 63}, ValueCase{'=', 64},
                                         ValueCase{'@', 64}, ValueCase{'[', 64}, ValueCase{'`', 64},
                                         ValueCase{'{', 64}, ValueCase{':', 64}, ValueCase{',', 64},
                                         ValueCase{'-', 64}, ValueCase{'.', 64}, ValueCase{' ', 64},
                                         ValueCase{0x00, 64}, ValueCase{0x80, 64},
                                         ValueCase{0xC1, 64}, ValueCase{0xFF, 64}));

TEST(Base64Value, EachValueBelow64BelongsToExactlyOneByte)
{
    const TZtConv conv;
    std::set<unsigned char> seen;
    for (int b = 0; b < 256; ++b) {
        const unsigned char v = conv.Base64Value(static_cast<unsigned char>(b));
        ASSERT_LE(v, 64) << "byte " << b;
        if (v < 64) {
            EXPECT_TRUE(seen.insert(v).second) << "value " << int(v) << " twice, again at byte " << b;
        }
    }
    EXPECT_EQ(seen.size(), 64u);
}

struct DecodeCase {
    std::string input;
    std::string expected;
    std::string why;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.why;
}

class Base64DecodeCases : public testing::TestWithParam<DecodeCase> {};

TEST_P(Base64DecodeCases, GivesTheExpectedBytes)
{
    const TZtConv conv;
    const DecodeCase& c = GetParam();
    EXPECT_EQ(ToHex(conv.Base64Decode(c.input)), ToHex(c.expected)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Base64DecodeCases,
    testing::ValuesIn(std::vector<DecodeCase>{
        {"", "", "empty"},
        {"QUJD", Hex("41 42 43"), "one full group"},
        {"QUI=", Hex("41 42"), "one pad"},
        {"QQ==", Hex("41"), "two pads"},
        {"QUJDRA", Hex("41 42 43"), "short tail ignored"},
        {"Q", "", "lone character"},
        {"QU D", Hex("41 40 03"), "space counts as 'A' in its position"},
        {"QUJD\r\nQUJD", Hex("41 42 43 00 04 14"), "line break shifts the later groups"},
        {"AAAA", Hex("00"), "zero first byte kept, zero second and third dropped"},
        {"AAEA", Hex("00 01"), "zero third byte dropped"},
        {"AABB", Hex("00 41"), "zero second byte dropped"},
        {"////", Hex("FF FF FF"), "top bits cut to 8"},
        {"++++", Hex("FB EF BE"), "value 62 in every position"},
        {"GyRCJEgbKEI=", Hex("1B 24 42 24 48 1B 28 42"), "JIS text"},
    }));

// Without zero bytes (which the decoder drops by design) every standard
// encoding, padded or not, decodes back to its bytes.
TEST(Base64Decode, RoundTripsStandardEncodingOfNonZeroBytes)
{
    const TZtConv conv;
    std::mt19937 random(1468);
    std::uniform_int_distribution<int> byte(1, 255);
    for (std::size_t length = 0; length < 200; ++length) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i)
            bytes.push_back(static_cast<char>(byte(random)));
        const std::string text = Base64Encode(bytes);
        ASSERT_EQ(ToHex(conv.Base64Decode(text)), ToHex(bytes)) << "text " << text;
    }
}

} // namespace
