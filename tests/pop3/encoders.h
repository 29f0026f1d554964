#pragma once
// Encoders for building test mail: base64 and uuencode, as lines without
// their line ends. Deliberately plain; the decoder under test is elsewhere.

#include <cstdint>
#include <string>
#include <vector>

inline std::vector<std::string> Base64Lines(const std::string& bytes, std::size_t lineLength = 76)
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0U);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < text.size(); i += lineLength)
        lines.push_back(text.substr(i, lineLength));
    return lines;
}

inline std::vector<std::string> UuencodeLines(const std::string& name, const std::string& bytes)
{
    auto encode = [](std::uint32_t six) { return static_cast<char>(six == 0 ? '`' : six + 32); };
    std::vector<std::string> lines{"begin 644 " + name};
    for (std::size_t i = 0; i < bytes.size(); i += 45) {
        const std::size_t n = std::min<std::size_t>(45, bytes.size() - i);
        std::string line(1, encode(static_cast<std::uint32_t>(n)));
        for (std::size_t j = 0; j < n; j += 3) {
            std::uint32_t group = 0;
            for (std::size_t k = 0; k < 3; ++k)
                group = (group << 8) | (j + k < n ? static_cast<unsigned char>(bytes[i + j + k]) : 0U);
            for (int k = 3; k >= 0; --k)
                line += encode((group >> (6 * k)) & 0x3F);
        }
        lines.push_back(line);
    }
    lines.push_back("`");
    lines.push_back("end");
    return lines;
}

// Deterministic bytes of every value, for attachments.
inline std::string PatternBytes(std::size_t size, std::uint32_t seed = 1)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed;
    for (char& b : bytes) {
        state = state * 1664525U + 1013904223U;
        b = static_cast<char>(state >> 24);
    }
    return bytes;
}
