// tovik-cli decode-header: a filter whose output lines are DecodeHeader of
// its input lines, byte for byte.

#include "cli_process.h"
#include "jconv/zt_conv.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using Lines = std::vector<std::string>;

std::string Bytes(std::initializer_list<int> values)
{
    std::string s;
    for (const int v : values)
        s += static_cast<char>(v);
    return s;
}

std::string Hex(const std::string& bytes)
{
    static const char* const digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

struct Row {
    std::string input;
    std::string output;
};

// Inputs and expected bytes of the header decoder, a row per line of input.
const std::vector<Row>& Table()
{
    static const std::vector<Row> rows = {
        {"", ""},
        {"Hello", "Hello"},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", Bytes({0x83, 0x65, 0x83, 0x58, 0x83, 0x67})},
        {"=?iso-2022-jp?b?GyRCJUYlOSVIGyhC?=", Bytes({0x83, 0x65, 0x83, 0x58, 0x83, 0x67})},
        {" =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=", Bytes({0x20, 0x83, 0x65, 0x83, 0x58, 0x83, 0x67})},
        {"Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?= ok", "Re: " + Bytes({0x83, 0x65, 0x83, 0x58, 0x83, 0x67}) + " ok"},
        {"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", Bytes({0x93, 0xFA, 0x96, 0x7B, 0x8C, 0xEA})},
        {"=?ISO-2022-JP?B?GyRCJEgbKEI=?= =?ISO-2022-JP?B?GyRCJEgbKEI=?=", Bytes({0x82, 0xC6, 0x20, 0x82, 0xC6})},
        {"=?ISO-2022-JP?B?GyRCJEgbKEI=?==?ISO-2022-JP?B?GyRCJEgbKEI=?=", Bytes({0x82, 0xC6}) + "=?ISO-2022-JP?B?GyRCJEgbKEI="},
        {"=?ISO-2022-JP?B?GyRCJUYlOSVI?= =?ISO-2022-JP?B?GyhC?=", Bytes({0x83, 0x65, 0x83, 0x58, 0x83, 0x67, 0x20})},
        {"=?ISO-2022-JP?B?GyRCJUY=?= =?ISO-2022-JP?B?JTklSBsoQg==?=", Bytes({0x83, 0x65, 0x20, 0x25, 0x39, 0x25, 0x48})},
        {"=?ISO-2022-JP?B?GyRCJEg=?=x", Bytes({0x82, 0xC6, 0x78})},
        {"abc =?ISO-2022-JP?B?GyRCJUYl", "abc "},
        {"=?ISO-2022-JP?B?" "?=x", "x"},  // split: no trigraph
        {"1+1?=2", "1+12"},
        {"a?=?=b", "a?=b"},
        {"=?UTF-8?B?44GC?=", "=?UTF-8?B?44GC"},
        {"=?ISO-2022-JP?B?GyRC=?ISO-2022-JP?B?JEgbKEI=?=!", Bytes({0x82, 0xC6, 0x21})},
    };
    return rows;
}

TEST(CliDecodeHeader, EachInputLineGivesItsDecodedLine)
{
    std::string input;
    for (const Row& row : Table())
        input += row.input + "\n";
    const CliRun run = RunCli({"decode-header"}, {.input = input});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    const Lines out = SplitLines(run.out);
    ASSERT_EQ(out.size(), Table().size()) << run.out;
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(Hex(out[i]), Hex(Table()[i].output)) << "input: " << Table()[i].input;
}

TEST(CliDecodeHeader, LineEndsAndEmptyInput)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"\n", "\n"},
        {"no line end", "no line end\n"},  // a last line without LF is still a line
        {"a\nb", "a\nb\n"},
        {"cr stays\r\n", "cr stays\r\n"},  // only the LF ends a line
        {std::string("nul\0byte\n", 9), std::string("nul\0byte\n", 9)},
    };
    for (const auto& [input, output] : cases) {
        const CliRun run = RunCli({"decode-header"}, {.input = input});
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(Hex(run.out), Hex(output)) << testing::PrintToString(input);
    }
}

TEST(CliDecodeHeader, Utf8IsOnlyOnRequest)
{
    const std::string input = "Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=\n";
    EXPECT_EQ(RunCli({"decode-header", "--utf8"}, {.input = input}).out, "Re: テスト\n");
    EXPECT_EQ(RunCli({"decode-header", "--sjis"}, {.input = input}).out, "Re: \x83\x65\x83\x58\x83\x67\n");
    EXPECT_EQ(RunCli({"decode-header", "--utf8", "--sjis"}, {.input = input}).out, "Re: \x83\x65\x83\x58\x83\x67\n");
}

TEST(CliDecodeHeader, LargeInputKeepsEveryLine)
{
    // Lines of every length around the stdio buffer sizes, and one of a
    // megabyte: none may be merged, split or lost.
    const TZtConv conv;
    std::string input;
    std::string expected;
    std::uint32_t seed = 12345;
    const std::string word = "=?ISO-2022-JP?B?GyRCJUYlOSVIGyhC?=";
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1103515245u + 12345u;
        std::string line = "Subject " + std::to_string(i) + " ";
        const std::size_t length = i == 7777 ? (1u << 20) : (seed >> 16) % 300;
        while (line.size() < length)
            line += (line.size() / 7) % 3 == 0 ? word : "plain ";
        input += line + "\n";
        expected += conv.DecodeHeader(line) + "\n";
    }
    const CliRun run = RunCli({"decode-header"}, {.input = input});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.size(), expected.size());
    EXPECT_TRUE(run.out == expected);
}

}  // namespace
