#pragma once
// Byte strings written as hex pairs ("83 65 20"), as the case tables give them.

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

namespace jconv_test {

inline std::string Hex(std::string_view Pairs)
{
    std::string bytes;
    int high = -1;
    for (const char c : Pairs) {
        if (c == ' ')
            continue;
        int nibble = -1;
        if (c >= '0' && c <= '9')
            nibble = c - '0';
        else if (c >= 'A' && c <= 'F')
            nibble = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            nibble = c - 'a' + 10;
        if (nibble < 0)
            throw std::invalid_argument("bad hex digit in table: " + std::string(Pairs));
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<char>(high * 16 + nibble));
            high = -1;
        }
    }
    if (high >= 0)
        throw std::invalid_argument("odd hex digit count in table: " + std::string(Pairs));
    return bytes;
}

// For failure messages: the bytes as hex pairs.
inline std::string ToHex(std::string_view Bytes)
{
    std::string text;
    for (const char c : Bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned char>(c));
        if (!text.empty())
            text += ' ';
        text += pair;
    }
    return text;
}

} // namespace jconv_test
