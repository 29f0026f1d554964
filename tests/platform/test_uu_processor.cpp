#include "platform/uu_processor.h"

#include "platform/exception.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>

namespace {

using namespace std::string_literals;

std::string Decode(TUUMethod method, const std::string& input)
{
    std::istringstream in(input);
    std::ostringstream out;
    TUUProcessor codec;
    codec.InputStream = &in;
    codec.OutputStream = &out;
    codec.Method = method;
    codec.Decode();
    return out.str();
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Test-only encoders, written straight from the formats.
std::string EncodeBase64(std::string_view bytes, std::size_t lineLength, std::string_view eol)
{
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string chars;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned bits = 0;
        for (std::size_t k = 0; k < 3; ++k)
            bits = (bits << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        for (std::size_t k = 0; k < 4; ++k)
            chars += k <= n ? alphabet[(bits >> (18 - 6 * k)) & 63] : '=';
    }
    std::string text;
    for (std::size_t i = 0; i < chars.size(); i += lineLength)
        text.append(chars, i, lineLength).append(eol);
    return text;
}

// zero: the character for a zero sextet, '`' or (old style) ' '.
std::string EncodeUu(std::string_view bytes, std::string_view eol, char zero = '`')
{
    const auto put = [zero](unsigned value) { return value == 0 ? zero : static_cast<char>(value + 32); };
    std::string text = "begin 644 data.bin"s.append(eol);
    for (std::size_t i = 0; i < bytes.size(); i += 45) {
        const std::size_t n = std::min<std::size_t>(45, bytes.size() - i);
        text += put(static_cast<unsigned>(n));
        for (std::size_t g = 0; g < n; g += 3) {
            unsigned bits = 0;
            for (std::size_t k = 0; k < 3; ++k)
                bits = (bits << 8) | (g + k < n ? static_cast<unsigned char>(bytes[i + g + k]) : 0U);
            for (int k = 0; k < 4; ++k)
                text += put((bits >> (18 - 6 * k)) & 63);
        }
        text.append(eol);
    }
    return text.append("`").append(eol).append("end").append(eol);
}

struct DecodeCase {
    const char* name;
    std::string input;
    std::string expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<DecodeCase>& param)
{
    return param.param.name;
}

// ---- base64 ----

class Base64Lines : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Base64Lines, DecodeToTheirBytes)
{
    EXPECT_EQ(Decode(uuMime, GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Known, Base64Lines,
    ::testing::Values(DecodeCase{"empty", "", ""},
                      DecodeCase{"one_byte", "Zg==", "f"},
                      DecodeCase{"two_bytes", "Zm8=", "fo"},
                      DecodeCase{"three_bytes", "Zm9v", "foo"},
                      DecodeCase{"four_bytes", "Zm9vYg==", "foob"},
                      DecodeCase{"five_bytes", "Zm9vYmE=", "fooba"},
                      DecodeCase{"six_bytes", "Zm9vYmFy", "foobar"},
                      DecodeCase{"alphabet_ends_and_high_bytes", "/+8=", "\xFF\xEF"},
                      DecodeCase{"nul_bytes", "AAAA", "\0\0\0"s},
                      DecodeCase{"crlf_lines", "Zm9v\r\nYmFy\r\n", "foobar"},
                      DecodeCase{"lf_lines", "Zm9v\nYmFy", "foobar"},
                      DecodeCase{"group_across_line_end", "Zm\r\n9vYm\r\nFy\r\n", "foobar"},
                      DecodeCase{"foreign_characters_skipped", " Zm\t9v*Ym!F-y\x80\xFF", "foobar"},
                      DecodeCase{"padding_ends_group_then_next_starts", "Zg==Zm8=\r\nZm9v\r\n", "ffofoo"},
                      DecodeCase{"one_pad_is_enough", "Zg=Zm9v", "ffoo"},
                      DecodeCase{"stray_padding_ignored", "==Zm9v==", "foo"},
                      DecodeCase{"missing_padding_at_end", "Zm9vYmE", "fooba"},
                      DecodeCase{"lone_last_character_dropped", "Zm9vY", "foo"},
                      DecodeCase{"lone_character_before_padding_dropped", "Zm9vY=Zg==", "foof"}),
    CaseName);

TEST(Base64Decode, RoundTripsRandomBinaryAcrossBlocksAndLineShapes)
{
    // Sizes around the 3-byte groups and larger than the codec's read block.
    for (const std::size_t size : {1U, 2U, 3U, 57U, 58U, 65536U, 1000001U}) {
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        for (const std::size_t lineLength : {76U, 73U, 4U}) {
            for (const std::string_view eol : {"\r\n", "\n"}) {
                SCOPED_TRACE(::testing::Message() << size << " bytes, lines of " << lineLength);
                EXPECT_EQ(Decode(uuMime, EncodeBase64(bytes, lineLength, eol)), bytes);
            }
        }
    }
}

// ---- uuencode ----

class UuLines : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(UuLines, DecodeToTheirBytes)
{
    EXPECT_EQ(Decode(uuCode, GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Known, UuLines,
    ::testing::Values(
        DecodeCase{"whole_file_crlf", "begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n", "Cat"},
        DecodeCase{"whole_file_lf", "begin 644 cat.txt\n#0V%T\n`\nend\n", "Cat"},
        DecodeCase{"count_smaller_than_group", "\"0V$`\r\n!0P``\r\n", "CaC"},
        DecodeCase{"without_begin_line", "#0V%T\r\n", "Cat"},
        DecodeCase{"last_line_without_line_end", "begin 600 x\n#0V%T", "Cat"},
        DecodeCase{"space_as_zero_sextet", "\"0V$ \n", "Ca"},
        DecodeCase{"stripped_trailing_blanks_count_as_zero", "#\r\n\"0V$\r\n", "\0\0\0Ca"s},
        DecodeCase{"empty_and_zero_count_lines", "\r\n`\r\n \r\n\n", ""},
        DecodeCase{"foreign_characters_skipped", "#0Vx%\tT\r\n", "Cat"},
        DecodeCase{"extra_characters_after_count_ignored", "#0V%TMMMM\r\n", "Cat"},
        DecodeCase{"text_line_before_data_skipped", "here is the file:\r\nbegin 644 c\r\n#0V%T\r\nend\r\n", "Cat"},
        DecodeCase{"nothing_after_end", "#0V%T\nend  \r\n#0V%T\n", "Cat"},
        DecodeCase{"new_begin_after_end", "#0V%T\nend\nbegin 644 b\n#0V%T\nend\n", "CatCat"}),
    CaseName);

TEST(UuDecode, RoundTripsRandomBinaryAcrossBlocks)
{
    for (const std::size_t size : {1U, 44U, 45U, 46U, 65536U, 1000001U}) {
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size) + 1);
        for (const std::string_view eol : {"\r\n", "\n"}) {
            SCOPED_TRACE(::testing::Message() << size << " bytes");
            EXPECT_EQ(Decode(uuCode, EncodeUu(bytes, eol)), bytes);
        }
    }
}

TEST(UuDecode, LinesThatLostTheirTrailingBlanksKeepTheirLength)
{
    std::string bytes = RandomBytes(4500, 3);
    for (std::size_t i = 40; i < bytes.size(); i += 45)
        bytes.replace(i, 5, 5, '\0');  // every line ends in zero bytes, encoded as blanks
    std::string text = EncodeUu(bytes, "\n", ' ');
    std::string stripped;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        stripped += line.erase(line.find_last_not_of(' ') + 1) + "\n";
    ASSERT_LT(stripped.size(), text.size());
    EXPECT_EQ(Decode(uuCode, stripped), bytes);
}

TEST(UuDecode, OverlongAndShortLinesDecodeOnlyWhatTheirCountSays)
{
    EXPECT_EQ(Decode(uuCode, "M" + std::string(4 * 1024 * 1024, '0') + "\n").size(), 45U);
    // A cut line is filled up to its count.
    EXPECT_EQ(Decode(uuCode, "M0V%T\n"), "Cat" + std::string(42, '\0'));
}

// ---- both ----

TEST(UuProcessor, DecodesFromTheCurrentInputPosition)
{
    std::istringstream in("QUJD\r\nZm9v\r\n");
    in.ignore(6);
    std::ostringstream out;
    TUUProcessor codec;
    codec.InputStream = &in;
    codec.OutputStream = &out;
    codec.Decode();
    EXPECT_EQ(out.str(), "foo");
}

TEST(UuProcessor, BinaryGarbageNeverFaults)
{
    const std::string garbage = RandomBytes(3 * 1024 * 1024, 11);
    EXPECT_LE(Decode(uuMime, garbage).size(), garbage.size() * 3 / 4);
    EXPECT_NO_THROW(Decode(uuCode, garbage));
}

// Accepts `capacity` bytes, then fails every write.
class FullDisk : public std::streambuf {
public:
    explicit FullDisk(std::size_t capacity) : capacity_(capacity) {}

protected:
    std::streamsize xsputn(const char*, std::streamsize n) override
    {
        const auto accepted = std::min<std::size_t>(capacity_, static_cast<std::size_t>(n));
        capacity_ -= accepted;
        return static_cast<std::streamsize>(accepted);
    }
    int_type overflow(int_type) override { return traits_type::eof(); }

private:
    std::size_t capacity_;
};

// Fails every read, as a file on a dying disk.
class UnreadableFile : public std::streambuf {
protected:
    int_type underflow() override { throw std::runtime_error("I/O error"); }
};

class UuProcessorFailure : public ::testing::TestWithParam<TUUMethod> {};

TEST_P(UuProcessorFailure, FailedOutputRaisesEFileError)
{
    const std::string bytes = RandomBytes(300000, 5);
    const std::string text = GetParam() == uuMime ? EncodeBase64(bytes, 76, "\r\n") : EncodeUu(bytes, "\r\n");
    for (const std::size_t capacity : {0U, 100000U}) {
        SCOPED_TRACE(capacity);
        std::istringstream in(text);
        FullDisk disk(capacity);
        std::ostream out(&disk);
        TUUProcessor codec;
        codec.InputStream = &in;
        codec.OutputStream = &out;
        codec.Method = GetParam();
        EXPECT_THROW(codec.Decode(), EFileError);
    }
}

TEST_P(UuProcessorFailure, FailedInputRaisesEFileError)
{
    UnreadableFile file;
    std::istream in(&file);
    std::ostringstream out;
    TUUProcessor codec;
    codec.InputStream = &in;
    codec.OutputStream = &out;
    codec.Method = GetParam();
    EXPECT_THROW(codec.Decode(), EFileError);
}

TEST_P(UuProcessorFailure, MissingStreamIsAProgrammingError)
{
    std::istringstream in("Zm9v");
    TUUProcessor codec;
    codec.InputStream = &in;
    codec.Method = GetParam();
    EXPECT_THROW(codec.Decode(), std::logic_error);
}

INSTANTIATE_TEST_SUITE_P(BothMethods, UuProcessorFailure, ::testing::Values(uuMime, uuCode),
                         [](const ::testing::TestParamInfo<TUUMethod>& param) {
                             return param.param == uuMime ? "uuMime" : "uuCode";
                         });

}  // namespace
