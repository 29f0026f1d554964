#include "platform/uu_processor.h"

#include "platform/exception.h"

#include <array>
#include <memory>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t kBlockSize = 64 * 1024;

// Reads the input in fixed blocks so that a part of any size decodes in
// constant memory.
class BlockReader {
public:
    explicit BlockReader(std::istream& in) : in_(in), block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

    // The next block; empty at the end of the input.
    std::string_view Next()
    {
        in_.read(block_.get(), static_cast<std::streamsize>(kBlockSize));
        const auto got = static_cast<std::size_t>(in_.gcount());
        if (in_.bad())
            throw EFileError("Error reading encoded data");
        return {block_.get(), got};
    }

private:
    std::istream& in_;
    std::unique_ptr<char[]> block_;  // not zeroed: every part decodes with fresh blocks
};

class BlockWriter {
public:
    explicit BlockWriter(std::ostream& out) : out_(out), block_(std::make_unique_for_overwrite<char[]>(kBlockSize)) {}

    // Room for n more bytes (n <= the block size) at Put without checks.
    void Reserve(std::size_t n)
    {
        if (used_ + n > kBlockSize)
            Flush();
    }
    void Put(std::uint32_t byte) { block_[used_++] = static_cast<char>(byte & 0xFF); }

    void Finish()
    {
        Flush();
        out_.flush();
        if (!out_)
            throw EFileError("Error writing decoded data");
    }

private:
    void Flush()
    {
        if (used_ == 0)
            return;
        out_.write(block_.get(), static_cast<std::streamsize>(used_));
        used_ = 0;
        if (!out_)
            throw EFileError("Error writing decoded data");
    }

    std::ostream& out_;
    std::unique_ptr<char[]> block_;
    std::size_t used_ = 0;
};

// ---- base64 ----

constexpr std::int8_t kNotBase64 = -1;

constexpr std::array<std::int8_t, 256> MakeBase64Table()
{
    std::array<std::int8_t, 256> table{};
    table.fill(kNotBase64);
    constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::size_t i = 0; i < alphabet.size(); ++i)
        table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
    return table;
}

constexpr auto kBase64 = MakeBase64Table();

// Groups run across line ends (CR and LF are simply not in the alphabet). A
// '=' ends the group at hand; whatever follows starts a fresh one, so two
// encodings pasted together both decode.
class Base64Decoder {
public:
    explicit Base64Decoder(BlockWriter& out) : out_(out) {}

    void Feed(std::string_view text)
    {
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p < end) {
            // Most of the text is whole groups of four alphabet characters:
            // take them four at a time.
            if (count_ == 0) {
                while (end - p >= 4) {
                    const int a = kBase64[static_cast<unsigned char>(p[0])];
                    const int b = kBase64[static_cast<unsigned char>(p[1])];
                    const int c = kBase64[static_cast<unsigned char>(p[2])];
                    const int d = kBase64[static_cast<unsigned char>(p[3])];
                    if ((a | b | c | d) < 0)
                        break;  // a line end, padding or garbage: one at a time
                    const auto group = static_cast<std::uint32_t>(a << 18 | b << 12 | c << 6 | d);
                    out_.Reserve(3);
                    out_.Put(group >> 16);
                    out_.Put(group >> 8);
                    out_.Put(group);
                    p += 4;
                }
                if (p == end)
                    break;
            }
            const char c = *p++;
            const std::int8_t value = kBase64[static_cast<unsigned char>(c)];
            if (value != kNotBase64) {
                bits_ = (bits_ << 6) | static_cast<std::uint32_t>(value);
                if (++count_ == 4) {
                    out_.Reserve(3);
                    out_.Put(bits_ >> 16);
                    out_.Put(bits_ >> 8);
                    out_.Put(bits_);
                    bits_ = 0;
                    count_ = 0;
                }
            } else if (c == '=') {
                EndGroup();
            }
        }
    }

    // Also used at the end of the input, where a group may lack its padding.
    void EndGroup()
    {
        out_.Reserve(2);
        if (count_ == 2) {
            out_.Put(bits_ >> 4);
        } else if (count_ == 3) {
            out_.Put(bits_ >> 10);
            out_.Put(bits_ >> 2);
        }
        // A single character carries no whole byte: dropped.
        bits_ = 0;
        count_ = 0;
    }

private:
    BlockWriter& out_;
    std::uint32_t bits_ = 0;
    int count_ = 0;
};

// ---- uuencode ----

// A data line needs at most its count character and 84 more; the rest of an
// overlong line is garbage and is not kept.
constexpr std::size_t kUuLineLimit = 256;

bool IsUuChar(char c)
{
    return c >= ' ' && c <= '`';
}

unsigned UuValue(char c)
{
    return static_cast<unsigned>(c - ' ') & 63U;
}

class UuDecoder {
public:
    explicit UuDecoder(BlockWriter& out) : out_(out) {}

    void Feed(std::string_view text)
    {
        while (!text.empty()) {
            const auto lf = text.find('\n');
            const std::string_view piece = text.substr(0, lf);
            const std::size_t room = kUuLineLimit - line_.size();
            if (piece.size() > room)
                overlong_ = true;
            line_.append(piece.substr(0, room));
            if (lf == std::string_view::npos)
                return;
            EndLine();
            text.remove_prefix(lf + 1);
        }
    }

    void EndLine()
    {
        std::string_view line = line_;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        DecodeLine(line);
        line_.clear();
        overlong_ = false;
    }

private:
    void DecodeLine(std::string_view line)
    {
        if (line.starts_with("begin ")) {
            ended_ = false;
            return;
        }
        if (ended_ || line.empty())
            return;
        if (!overlong_ && IsEndLine(line)) {
            // Anything after "end" up to a new "begin" is not data.
            ended_ = true;
            return;
        }
        if (!IsUuChar(line.front()))
            return;
        std::size_t wanted = UuValue(line.front());  // 0 for the "`" line
        line.remove_prefix(1);

        // Mail transport likes to strip trailing blanks, which are zero
        // sextets: missing characters count as zero, so every line keeps the
        // length its count character declares and later bytes stay in place.
        std::size_t pos = 0;
        while (wanted > 0) {
            std::uint32_t bits = 0;
            for (int i = 0; i < 4; ++i) {
                while (pos < line.size() && !IsUuChar(line[pos]))
                    ++pos;
                const unsigned value = pos < line.size() ? UuValue(line[pos++]) : 0U;
                bits = (bits << 6) | value;
            }
            const std::size_t take = wanted < 3 ? wanted : 3;
            out_.Reserve(3);
            out_.Put(bits >> 16);
            if (take > 1)
                out_.Put(bits >> 8);
            if (take > 2)
                out_.Put(bits);
            wanted -= take;
        }
    }

    static bool IsEndLine(std::string_view line)
    {
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        return line == "end";
    }

    BlockWriter& out_;
    std::string line_;
    bool overlong_ = false;
    bool ended_ = false;
};

}  // namespace

void TUUProcessor::Decode()
{
    if (InputStream == nullptr || OutputStream == nullptr)
        throw std::logic_error("TUUProcessor::Decode without input or output stream");

    BlockReader reader(*InputStream);
    BlockWriter writer(*OutputStream);

    if (Method == uuMime) {
        Base64Decoder decoder(writer);
        for (auto block = reader.Next(); !block.empty(); block = reader.Next())
            decoder.Feed(block);
        decoder.EndGroup();
    } else {
        UuDecoder decoder(writer);
        for (auto block = reader.Next(); !block.empty(); block = reader.Next())
            decoder.Feed(block);
        decoder.EndLine();  // a last line without its line end
    }
    writer.Finish();
}
