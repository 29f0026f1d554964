#pragma once
// ISO-2022-JP to Shift-JIS by arithmetic. Only ESC $ B (two-byte) and
// ESC ( B / ESC ( J (single-byte) switch modes; every other byte is data.

#include <cstddef>

namespace jconv {

// Shift-JIS of one JIS X 0208 code, written to Out; returns the end of what
// it wrote. A row byte outside 0x21..0x7E writes nothing; the cell byte is
// not range-checked and wraps modulo 256.
inline char* WriteSjisPair(char* Out, unsigned char C1, unsigned char C2)
{
    if (C1 < 0x21 || C1 > 0x7E)
        return Out;
    // Arithmetic rather than branches: the parity of the row is as good as
    // random in real text and would defeat branch prediction.
    const unsigned odd = C1 & 1u;
    const unsigned s1 = ((C1 + 1u) >> 1) + 0x70u + 0x40u * (C1 >= 0x5F);
    const unsigned s2 = C2 + 0x7Eu - 0x5Fu * odd + (odd & (C2 >= 0x60));
    Out[0] = static_cast<char>(s1 & 0xFFu);
    Out[1] = static_cast<char>(s2 & 0xFFu);
    return Out + 2;
}

// Converts In[0..Length) to Out and returns the end of what it wrote, never
// more than Length bytes. Out may be In itself: the write position never
// passes the read position. Each call starts in single-byte mode; escapes
// are looked for only where a step begins, which in two-byte mode means at
// pair boundaries.
char* ConvertJisToSjis(const char* In, std::size_t Length, char* Out);

} // namespace jconv
