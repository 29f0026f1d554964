#include "pop3/header_text.h"

#include <algorithm>

namespace {

constexpr std::size_t kFieldLimit = 256;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string AsciiUpper(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

std::string AsciiLower(std::string_view s)
{
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(), Lower);
    return out;
}

bool Contains(std::string_view Text, std::string_view Needle)
{
    return !Needle.empty() && Text.find(Needle) != std::string_view::npos;
}

std::string FieldFrom(const std::string& Line, std::size_t Pos)
{
    const std::size_t start = Pos - 1;
    if (Pos == 0 || start >= Line.size())
        return {};
    return Line.substr(start, kFieldLimit);
}

std::string BoundaryValue(const std::string& Line, std::size_t At)
{
    static constexpr std::string_view kKey = "BOUNDARY=";
    const std::string raw = FieldFrom(Line, At + kKey.size() + 1);
    if (!raw.empty() && raw.front() == '"') {
        const std::size_t close = raw.find('"', 1);
        return raw.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    }
    return raw.substr(0, raw.find_first_of("; \t"));
}
