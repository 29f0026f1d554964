#pragma once
// Base64 decoding as the header converter needs it: no byte is skipped, so a
// byte outside the alphabet counts as "A" in its group position, and a zero
// in the second or third byte of a group is dropped (that is what keeps the
// pad characters from adding bytes).

#include <array>
#include <string_view>

namespace jconv {

inline constexpr unsigned char kNotBase64 = 64;

inline constexpr std::array<unsigned char, 256> kBase64Values = [] {
    std::array<unsigned char, 256> values{};
    values.fill(kNotBase64);
    unsigned char next = 0;
    for (int c = 'A'; c <= 'Z'; ++c)
        values[static_cast<std::size_t>(c)] = next++;
    for (int c = 'a'; c <= 'z'; ++c)
        values[static_cast<std::size_t>(c)] = next++;
    for (int c = '0'; c <= '9'; ++c)
        values[static_cast<std::size_t>(c)] = next++;
    values['+'] = next++;
    values['/'] = next;
    return values;
}();

inline unsigned char Base64ValueOf(unsigned char C)
{
    return kBase64Values[C];
}

// Room that DecodeBase64Groups needs for a text of Length bytes.
constexpr std::size_t Base64DecodedBound(std::size_t Length)
{
    return Length / 4 * 3;
}

// Writes the bytes of every complete group of four to Out and returns the end
// of what it wrote; a shorter tail adds nothing.
char* DecodeBase64Groups(std::string_view Text, char* Out);

} // namespace jconv
