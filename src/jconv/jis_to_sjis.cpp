#include "jconv/jis_to_sjis.h"

namespace jconv {

namespace {

constexpr unsigned char kEsc = 0x1B;

enum class Designation { None, TwoByte, SingleByte };

// Which of the three recognised escapes starts at p, if any.
Designation EscapeAt(const unsigned char* in, std::size_t p, std::size_t n)
{
    if (in[p] != kEsc || n - p < 3)
        return Designation::None;
    if (in[p + 1] == '$' && in[p + 2] == 'B')
        return Designation::TwoByte;
    if (in[p + 1] == '(' && (in[p + 2] == 'B' || in[p + 2] == 'J'))
        return Designation::SingleByte;
    return Designation::None;
}

} // namespace

void AppendJisAsSjis(std::string& Out, std::string_view Jis)
{
    const auto* in = reinterpret_cast<const unsigned char*>(Jis.data());
    const std::size_t n = Jis.size();
    Out.reserve(Out.size() + n);
    bool twoByte = false;
    std::size_t p = 0;
    while (p < n) {
        const Designation escape = EscapeAt(in, p, n);
        if (escape != Designation::None) {
            twoByte = escape == Designation::TwoByte;
            p += 3;
        } else if (!twoByte) {
            // The byte at p is copied whatever it is; the run after it only
            // up to the next byte that might begin an escape.
            std::size_t end = p + 1;
            while (end < n && in[end] != kEsc)
                ++end;
            Out.append(Jis, p, end - p);
            p = end;
        } else {
            if (n - p >= 2)
                AppendSjisPair(Out, in[p], in[p + 1]);
            p += 2; // an odd last byte is dropped
        }
    }
}

} // namespace jconv
