#pragma once
// ISO-2022-JP to Shift-JIS by arithmetic. Only ESC $ B (two-byte) and
// ESC ( B / ESC ( J (single-byte) switch modes; every other byte is data.

#include <string>
#include <string_view>

namespace jconv {

// Shift-JIS of one JIS X 0208 code. A row byte outside 0x21..0x7E adds
// nothing; the cell byte is not range-checked and wraps modulo 256.
inline void AppendSjisPair(std::string& Out, unsigned char C1, unsigned char C2)
{
    if (C1 < 0x21 || C1 > 0x7E)
        return;
    const unsigned s1 = ((C1 + 1u) >> 1) + (C1 < 0x5F ? 0x70u : 0xB0u);
    unsigned s2 = C2 + 0x7Eu;
    if (C1 & 1u)
        s2 = C2 + (C2 < 0x60 ? 0x1Fu : 0x20u);
    Out.push_back(static_cast<char>(s1 & 0xFFu));
    Out.push_back(static_cast<char>(s2 & 0xFFu));
}

// Each call starts in single-byte mode; escapes are looked for only where a
// step begins, which in two-byte mode means at pair boundaries.
void AppendJisAsSjis(std::string& Out, std::string_view Jis);

} // namespace jconv
