// Reference check against glibc iconv: JIS X 0208 text that iconv encodes to
// ISO-2022-JP must decode to the bytes iconv gives for Shift_JIS.

#include "jconv/zt_conv.h"
#include "base64_encode.h"
#include "hex_bytes.h"
#include "iconv_codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

using jconv_test::Base64Encode;
using jconv_test::IconvCodec;
using jconv_test::ToHex;

const IconvCodec& EucToJis()
{
    static const IconvCodec codec("ISO-2022-JP", "EUC-JP");
    return codec;
}

const IconvCodec& EucToSjis()
{
    static const IconvCodec codec("SHIFT_JIS", "EUC-JP");
    return codec;
}

std::string ToJis(const std::string& euc)
{
    const auto jis = EucToJis().Convert(euc);
    if (!jis)
        throw std::runtime_error("iconv rejected EUC-JP text " + ToHex(euc));
    return *jis;
}

std::string ToSjis(const std::string& euc)
{
    const auto sjis = EucToSjis().Convert(euc);
    if (!sjis)
        throw std::runtime_error("iconv rejected EUC-JP text " + ToHex(euc));
    return *sjis;
}

// The symbol, kana, Greek, Cyrillic and box rows and both kanji levels,
// less the cells iconv does not map (the text is held as EUC-JP).
const std::vector<std::string>& MappedCodes()
{
    static const std::vector<std::string> codes = [] {
        std::vector<std::string> found;
        auto addRows = [&found](unsigned first, unsigned last) {
            for (unsigned c1 = first; c1 <= last; ++c1) {
                for (unsigned c2 = 0x21; c2 <= 0x7E; ++c2) {
                    const std::string euc{static_cast<char>(c1 | 0x80), static_cast<char>(c2 | 0x80)};
                    if (EucToJis().Convert(euc) && EucToSjis().Convert(euc))
                        found.push_back(euc);
                }
            }
        };
        addRows(0x21, 0x28);
        addRows(0x30, 0x74);
        return found;
    }();
    return codes;
}

// Where two long byte strings first differ, for a readable failure.
testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected)
{
    if (actual == expected)
        return testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at])
        ++at;
    const std::size_t from = at < 8 ? 0 : at - 8;
    return testing::AssertionFailure()
           << "first difference at byte " << at << " (lengths " << actual.size() << " and "
           << expected.size() << ")\n  actual:   " << ToHex(actual.substr(from, 24))
           << "\n  expected: " << ToHex(expected.substr(from, 24));
}

TEST(IconvOracle, CoversTheRowsItClaims)
{
    // Rows 0x21-0x28 and 0x30-0x74 hold 6,879 assigned codes; iconv must map
    // nearly all of them, or the checks below would prove little.
    EXPECT_GT(MappedCodes().size(), 6800u);
}

TEST(IconvOracle, EveryMappedCodeConvertsLikeIconv)
{
    std::string euc;
    for (const std::string& code : MappedCodes())
        euc += code;
    const TZtConv conv;
    EXPECT_TRUE(SameBytes(conv.JisToSjis(ToJis(euc)), ToSjis(euc)));
}

// Single-byte runs inside a word's text. The bytes 5C and 7E stay out:
// iconv's Shift_JIS reads them as yen and overline, not as ASCII.
constexpr std::string_view kAscii =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 !\"#$%&'()*+,-./:;<=>?@[]^_`{|}";

std::string RandomEucText(std::mt19937& random, std::size_t chars)
{
    const auto& codes = MappedCodes();
    std::uniform_int_distribution<std::size_t> pickCode(0, codes.size() - 1);
    std::uniform_int_distribution<std::size_t> pickAscii(0, kAscii.size() - 1);
    std::uniform_int_distribution<int> percent(0, 99);
    std::string euc;
    bool twoByte = percent(random) < 70;
    for (std::size_t i = 0; i < chars; ++i) {
        // Runs rather than coin flips per character, as in real subjects.
        if (percent(random) < 20)
            twoByte = !twoByte;
        if (twoByte)
            euc += codes[pickCode(random)];
        else
            euc += kAscii[pickAscii(random)];
    }
    return euc;
}

TEST(IconvOracle, RandomEncodedWordsDecodeLikeIconv)
{
    const std::vector<std::string> markers = {"=?ISO-2022-JP?B?", "=?iso-2022-jp?b?", "=?Iso-2022-Jp?B?"};
    const std::vector<std::string> prefixes = {"", "Re: ", "Fwd: [list 12] "};
    const std::vector<std::string> separators = {" ", "  ", "\t", "\r\n "};
    const std::vector<std::string> suffixes = {"", " (3)", " ok"};
    std::mt19937 random(20470);
    auto pick = [&random](const std::vector<std::string>& from) -> const std::string& {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    std::uniform_int_distribution<int> wordCount(1, 4);
    std::uniform_int_distribution<std::size_t> shortLength(1, 3);
    std::uniform_int_distribution<std::size_t> longLength(40, 300);
    std::uniform_int_distribution<int> coin(0, 1);

    const TZtConv conv;
    for (int round = 0; round < 400; ++round) {
        std::string header = pick(prefixes);
        std::string expected = header;
        const int words = wordCount(random);
        for (int w = 0; w < words; ++w) {
            if (w > 0) {
                // Adjacent words are only recognised with white space between.
                const std::string& separator = pick(separators);
                header += separator;
                expected += separator;
            }
            // Each word is encoded by itself, so it returns to ASCII within.
            const std::string euc = RandomEucText(random, coin(random) ? shortLength(random) : longLength(random));
            header += pick(markers) + Base64Encode(ToJis(euc)) + "?=";
            expected += ToSjis(euc);
        }
        const std::string& suffix = pick(suffixes);
        header += suffix;
        expected += suffix;
        ASSERT_TRUE(SameBytes(conv.DecodeHeader(header), expected)) << "round " << round << ": " << header;
    }
}

} // namespace
