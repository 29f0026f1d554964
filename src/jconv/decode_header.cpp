// The encoded-word scan of TZtConv::DecodeHeader.

#include "jconv/zt_conv.h"

#include "jconv/base64_decode.h"
#include "jconv/jis_to_sjis.h"

#include <string_view>

namespace {

constexpr std::string_view kOpeningMarker = "=?ISO-2022-JP?B?";
constexpr std::string_view kClosingMarker = "?=";

// Folds ASCII letters only, so no other byte can pass for a marker letter.
constexpr char AsciiUpper(char C)
{
    return (C >= 'a' && C <= 'z') ? static_cast<char>(C - ('a' - 'A')) : C;
}

bool OpeningMarkerAt(std::string_view Text, std::size_t P)
{
    if (Text.size() - P < kOpeningMarker.size())
        return false;
    for (std::size_t i = 0; i < kOpeningMarker.size(); ++i)
        if (AsciiUpper(Text[P + i]) != kOpeningMarker[i])
            return false;
    return true;
}

bool ClosingMarkerAt(std::string_view Text, std::size_t P)
{
    return Text.substr(P, kClosingMarker.size()) == kClosingMarker;
}

// Only '=' and '?' can begin a marker; the bytes between them are copied or
// collected in one go.
std::size_t NextMarkerCandidate(std::string_view Text, std::size_t P)
{
    while (P < Text.size() && Text[P] != '=' && Text[P] != '?')
        ++P;
    return P;
}

} // namespace

std::string TZtConv::DecodeHeader(const std::string& Header) const
{
    const std::string_view text = Header;
    std::string out;
    // Decoded words are never longer than their text, so this is the only
    // growth of the result.
    out.reserve(text.size());
    std::string word;  // collected text of the open word
    std::string bytes; // its base64-decoded bytes
    bool inWord = false;
    std::size_t p = 0;
    while (p < text.size()) {
        // Tested first in both states: a marker inside a word is skipped.
        if (OpeningMarkerAt(text, p)) {
            inWord = true;
            p += kOpeningMarker.size();
            continue;
        }
        if (ClosingMarkerAt(text, p)) {
            // Closes a word, or is simply removed outside one.
            inWord = false;
            p += kClosingMarker.size();
            if (!word.empty()) {
                bytes.clear();
                jconv::AppendBase64Decoded(bytes, word);
                jconv::AppendJisAsSjis(out, bytes);
                word.clear();
            }
            // The byte after "?=" is copied without the marker tests.
            if (p < text.size())
                out.push_back(text[p++]);
            continue;
        }
        const std::size_t end = NextMarkerCandidate(text, p + 1);
        (inWord ? word : out).append(text, p, end - p);
        p = end;
    }
    // A word that no "?=" closed is dropped.
    return out;
}
