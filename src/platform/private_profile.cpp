#include "platform/private_profile.h"

#include <fstream>
#include <string_view>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimTrailingBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return TrimTrailingBlanks(s);
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::string_view Unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The caller receives a C buffer: the text ends at the first NUL and keeps at
// most BufferSize - 1 bytes.
std::string Fit(std::string_view text, std::size_t bufferSize)
{
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    return std::string(text.substr(0, room));
}

// Heading name of a line that starts with '[': up to the first ']', or to the
// line end when a careless edit lost the bracket (the heading still ends the
// section before it).
std::string_view HeadingName(std::string_view line)
{
    line.remove_prefix(1);
    if (const auto close = line.find(']'); close != std::string_view::npos)
        line = line.substr(0, close);
    return TrimBlanks(line);
}

}  // namespace

std::string GetPrivateProfileString(const std::string& Section, const std::string& Key,
                                    const std::string& Default, std::size_t BufferSize,
                                    const std::string& Path)
{
    // As on Windows, trailing blanks of the default are dropped too.
    const std::string fallback = Fit(TrimTrailingBlanks(Default), BufferSize);
    const std::string_view section = TrimBlanks(Section);
    const std::string_view key = TrimBlanks(Key);
    // Keys above the first heading and "[]" form a nameless section, which no
    // lookup reaches; nor does an empty key.
    if (section.empty() || key.empty())
        return fallback;

    std::ifstream file(Path, std::ios::binary);
    if (!file)
        return fallback;

    bool inSection = false;
    std::string raw;
    while (std::getline(file, raw)) {
        std::string_view line = raw;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        line = TrimBlanks(line);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            // Only the first section of that name is searched.
            if (inSection)
                return fallback;
            inSection = SameName(HeadingName(line), section);
            continue;
        }
        if (!inSection)
            continue;
        // A line without '=' is a key with an empty value.
        const auto eq = line.find('=');
        const std::string_view name = TrimBlanks(line.substr(0, eq));
        if (!SameName(name, key))
            continue;
        if (eq == std::string_view::npos)
            return Fit({}, BufferSize);
        return Fit(Unquote(TrimBlanks(line.substr(eq + 1))), BufferSize);
    }
    return fallback;
}
