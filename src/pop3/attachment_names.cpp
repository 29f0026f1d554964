#include "pop3/attachment_names.h"

#include "pop3/pop3_client.h"

#include <map>
#include <sys/stat.h>

namespace {

constexpr std::size_t kMaxKeptExtension = 32;
constexpr std::string_view kFallbackName = "text.tmp";

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool IsSjisTrail(unsigned char c) { return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC); }
bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// Length in bytes of the character that starts at Name[i].
std::size_t CharLength(std::string_view Name, std::size_t i)
{
    const bool pair = i + 1 < Name.size() && IsSjisLead(static_cast<unsigned char>(Name[i]))
                      && IsSjisTrail(static_cast<unsigned char>(Name[i + 1]));
    return pair ? 2 : 1;
}

// The longest prefix of Text of at most Limit bytes that splits no character.
std::string_view CharPrefix(std::string_view Text, std::size_t Limit)
{
    std::size_t end = 0;
    while (end < Text.size()) {
        const std::size_t next = end + CharLength(Text, end);
        if (next > Limit)
            break;
        end = next;
    }
    return Text.substr(0, end);
}

std::string Shorten(const std::string& Name)
{
    const std::size_t dot = Name.rfind('.');  // '.' is never a Shift-JIS trail byte
    const bool keepExtension = dot != std::string::npos && dot > 0 && Name.size() - dot <= kMaxKeptExtension;
    const std::string_view extension = keepExtension ? std::string_view(Name).substr(dot) : std::string_view();
    const std::string_view stem = std::string_view(Name).substr(0, keepExtension ? dot : Name.size());
    std::string out(CharPrefix(stem, kMaxAttachmentName - extension.size()));
    out += extension;
    return out;
}

}  // namespace

std::string SafeAttachmentName(std::string_view Name)
{
    std::string out;
    out.reserve(Name.size());
    for (std::size_t i = 0; i < Name.size();) {
        const std::size_t length = CharLength(Name, i);
        const auto c = static_cast<unsigned char>(Name[i]);
        if (length == 2)
            out.append(Name.substr(i, 2));
        else if (c == '/' || c == '\\')
            out.clear();  // keep only the last path component
        else if (IsControl(c))
            out += '_';
        else
            out += static_cast<char>(c);
        i += length;
    }
    if (out.empty() || out == "." || out == "..")
        return std::string(kFallbackName);
    if (out.size() > kMaxAttachmentName)
        return Shorten(out);
    return out;
}

bool PathExists(const std::string& Path)
{
    struct stat info {};
    return ::lstat(Path.c_str(), &info) == 0;
}

std::string FreeFileName(const std::string& Dir, const std::string& Name)
{
    if (!PathExists(Dir + Name))
        return Name;
    const auto dot = static_cast<std::size_t>(LastPos(".", Name));
    const std::string stem = dot > 0 ? Name.substr(0, dot - 1) : Name;
    std::string extension;
    if (dot > 0)
        extension.append(".").append(Name, dot);
    const auto name = [&](int k) { return stem + "_" + std::to_string(k) + extension; };
    // Where the last search for this stem ended: thousands of parts with one
    // name would otherwise cost a square number of look-ups. The search goes
    // on after the last name found while that file exists, so the answer stays
    // the first free one unless a file was removed from the middle of the run.
    static std::map<std::string, int> lastFound;
    const std::string key = Dir + '\0' + stem + '\0' + extension;
    int k = 1;
    if (const auto last = lastFound.find(key); last != lastFound.end() && PathExists(Dir + name(last->second)))
        k = last->second + 1;
    for (;; ++k) {
        std::string candidate = name(k);
        if (!PathExists(Dir + candidate)) {
            lastFound[key] = k;
            return candidate;
        }
    }
}
