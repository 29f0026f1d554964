#include "platform/sjis.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::string_literals;

const std::string kReplacement = "\xEF\xBF\xBD";  // U+FFFD

struct Pair {
    const char* name;
    std::string sjis;
    std::string utf8;
};

void PrintTo(const Pair& p, std::ostream* os)
{
    *os << p.name;
}

class SjisPairs : public ::testing::TestWithParam<Pair> {};

TEST_P(SjisPairs, ConvertBothWays)
{
    EXPECT_EQ(SjisToUtf8(GetParam().sjis), GetParam().utf8);
    EXPECT_EQ(Utf8ToSjis(GetParam().utf8), GetParam().sjis);
}

INSTANTIATE_TEST_SUITE_P(
    CodePage932, SjisPairs,
    ::testing::Values(Pair{"empty", "", ""},
                      Pair{"ascii", "From: a@b.example", "From: a@b.example"},
                      Pair{"nul_kept", "a\0b"s, "a\0b"s},
                      Pair{"backslash_is_backslash", "C:\\tmp", "C:\\tmp"},
                      Pair{"katakana", "\x83\x65\x83\x58\x83\x67", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
                      Pair{"trail_byte_backslash", "\x95\x5C", "\xE8\xA1\xA8"},  // 表
                      Pair{"warning_caption", "\x8C\x78\x8D\x90", "\xE8\xAD\xA6\xE5\x91\x8A"},
                      Pair{"half_width_katakana", "\xB1", "\xEF\xBD\xB1"},
                      Pair{"nec_special_row", "\x87\x40", "\xE2\x91\xA0"},  // circled digit one
                      Pair{"ibm_extension", "\xFA\x40", "\xE2\x85\xB0"},    // small roman numeral one
                      Pair{"wave_dash_is_fullwidth_tilde", "\x81\x60", "\xEF\xBD\x9E"},
                      Pair{"mixed", "ini\x83\x74\x83\x40\x83\x43\x83\x8B",
                           "ini\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"}),
    [](const ::testing::TestParamInfo<Pair>& param) { return std::string(param.param.name); });

struct Broken {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const Broken& b, std::ostream* os)
{
    *os << b.name;
}

class UndecodableSjis : public ::testing::TestWithParam<Broken> {};

TEST_P(UndecodableSjis, BecomesReplacementCharacterAndConversionGoesOn)
{
    EXPECT_EQ(SjisToUtf8(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UndecodableSjis,
    ::testing::Values(Broken{"unassigned_single_bytes", "a\x80z\xA0z\xFD", "a" + kReplacement + "z" + kReplacement + "z" + kReplacement},
                      Broken{"lead_byte_without_trail", "\x83 x", kReplacement + " x"},
                      Broken{"lead_byte_at_end", "ab\x83", "ab" + kReplacement},
                      Broken{"good_text_after_bad", "\xFF\x83\x65", kReplacement + "\xE3\x83\x86"}),
    [](const ::testing::TestParamInfo<Broken>& param) { return std::string(param.param.name); });

class UnencodableUtf8 : public ::testing::TestWithParam<Broken> {};

TEST_P(UnencodableUtf8, BecomesQuestionMarkAndConversionGoesOn)
{
    EXPECT_EQ(Utf8ToSjis(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnencodableUtf8,
    ::testing::Values(Broken{"character_without_sjis_form_is_one_mark", "a\xF0\x9F\x98\x80\xED\x95\x9C" "b", "a??b"},
                      Broken{"stray_continuation_byte", "a\x80z", "a?z"},
                      Broken{"lead_byte_without_continuation", "a\xC3(z", "a?(z"},
                      Broken{"invalid_byte", "\xFF\xE3\x83\x86", "?\x83\x65"},
                      Broken{"cut_at_end", "x\xE3\x83", "x??"}),
    [](const ::testing::TestParamInfo<Broken>& param) { return std::string(param.param.name); });

// Every double-byte code that decodes comes back to the same text; CP932 has
// duplicate codes (NEC and IBM rows), so the check is on the Unicode side.
TEST(SjisConversion, EveryDecodableDoubleByteCodeSurvivesTheRoundTrip)
{
    int decodable = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
            const std::string utf8 = SjisToUtf8(code);
            if (utf8.find(kReplacement) != std::string::npos)
                continue;
            ++decodable;
            ASSERT_EQ(SjisToUtf8(Utf8ToSjis(utf8)), utf8) << std::hex << lead << ' ' << trail;
        }
    }
    EXPECT_GT(decodable, 7000);  // JIS X 0208 and the CP932 extensions
}

TEST(SjisConversion, ThreadsConvertIndependently)
{
    const std::string sjis = std::string("\x83\x65\x83\x58\x83\x67") + "\x80" + "abc";
    const std::string utf8 = SjisToUtf8(sjis);
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (std::size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i)
                if (SjisToUtf8(sjis) != utf8 || Utf8ToSjis(utf8) != "\x83\x65\x83\x58\x83\x67?abc")
                    ++mismatches[t];
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (const int m : mismatches)
        EXPECT_EQ(m, 0);
}

}  // namespace
