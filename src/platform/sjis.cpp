#include "platform/sjis.h"

#include <cerrno>
#include <iconv.h>
#include <string_view>

namespace {

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kReplacementSjis = "?";

// One converter per thread and direction: iconv_t keeps shift state and may
// not be shared, and opening one per call costs more than the conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (Usable())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of *in as it can into out; returns false at a byte
    // sequence it cannot convert (left at the front of *in).
    bool Run(std::string_view& in, std::string& out)
    {
        char buffer[4096];
        while (!in.empty()) {
            char* src = const_cast<char*>(in.data());  // iconv's signature; it does not write
            std::size_t srcLeft = in.size();
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            const int error = errno;
            out.append(buffer, sizeof buffer - dstLeft);
            in.remove_prefix(in.size() - srcLeft);
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (error == E2BIG)
                continue;
            Reset();
            if (!in.empty())
                return false;  // EILSEQ, or EINVAL for a sequence cut short at the end
        }
        return true;
    }

    void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t cd_;
};

// Length of the UTF-8 sequence at the front of s when it is well formed,
// else 1: an unrepresentable character is replaced whole, a broken byte alone.
std::size_t Utf8SequenceLength(std::string_view s)
{
    const auto lead = static_cast<unsigned char>(s.front());
    const std::size_t length = lead < 0xC2 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 1;
    if (length > s.size())
        return 1;
    for (std::size_t i = 1; i < length; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 1;
    return length;
}

// Without a converter (iconv lacks CP932) only ASCII survives.
std::string AsciiOnly(std::string_view in, std::string_view replacement)
{
    std::string out;
    out.reserve(in.size());
    for (const char c : in) {
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
        else
            out += replacement;
    }
    return out;
}

}  // namespace

std::string SjisToUtf8(const std::string& Sjis)
{
    thread_local Converter converter("UTF-8", "CP932");
    if (!converter.Usable())
        return AsciiOnly(Sjis, kReplacementUtf8);
    std::string out;
    out.reserve(Sjis.size() * 3 / 2);
    std::string_view in = Sjis;
    while (!converter.Run(in, out)) {
        out += kReplacementUtf8;
        in.remove_prefix(1);
    }
    return out;
}

std::string Utf8ToSjis(const std::string& Utf8)
{
    thread_local Converter converter("CP932", "UTF-8");
    if (!converter.Usable())
        return AsciiOnly(Utf8, kReplacementSjis);
    std::string out;
    out.reserve(Utf8.size());
    std::string_view in = Utf8;
    while (!converter.Run(in, out)) {
        out += kReplacementSjis;
        in.remove_prefix(Utf8SequenceLength(in));
    }
    return out;
}
