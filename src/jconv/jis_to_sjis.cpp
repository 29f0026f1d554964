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

char* ConvertJisToSjis(const char* In, std::size_t Length, char* Out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(In);
    const std::size_t n = Length;
    bool twoByte = false;
    std::size_t p = 0;
    while (p < n) {
        const Designation escape = EscapeAt(in, p, n);
        if (escape != Designation::None) {
            twoByte = escape == Designation::TwoByte;
            p += 3;
        } else if (!twoByte) {
            // The byte at p is copied whatever it is; the run after it only
            // up to the next byte that might begin an escape. Byte by byte,
            // as Out may overlap In.
            *Out++ = static_cast<char>(in[p++]);
            while (p < n && in[p] != kEsc)
                *Out++ = static_cast<char>(in[p++]);
        } else {
            // Pairs until a byte that might begin an escape sits at a pair
            // boundary; the first pair may itself start with a stray ESC.
            do {
                if (n - p < 2) {
                    p = n; // an odd last byte is dropped
                    break;
                }
                const unsigned char c1 = in[p];
                const unsigned char c2 = in[p + 1];
                Out = WriteSjisPair(Out, c1, c2);
                p += 2;
            } while (p < n && in[p] != kEsc);
        }
    }
    return Out;
}

} // namespace jconv
