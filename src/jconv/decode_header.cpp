// The encoded-word scan of TZtConv::DecodeHeader.

#include "jconv/zt_conv.h"

#include "jconv/base64_decode.h"
#include "jconv/jis_to_sjis.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr std::string_view kOpeningMarker = "=?ISO-2022-JP?B?";
constexpr std::string_view kClosingMarker = "?=";

// The marker as two little-endian words, and the bit 5 of its letters:
// OR-ing that bit into both sides folds exactly the ASCII pairs I/i, S/s,
// O/o, J/j, P/p and B/b, so no other byte can pass for a marker letter.
constexpr std::uint64_t MarkerWord(std::size_t From, bool LettersOnly)
{
    std::uint64_t word = 0;
    for (std::size_t i = 8; i-- > 0;) {
        const char c = kOpeningMarker[From + i];
        const bool letter = c >= 'A' && c <= 'Z';
        word = (word << 8) | (LettersOnly ? (letter ? 0x20u : 0u) : static_cast<unsigned char>(c));
    }
    return word;
}

bool OpeningMarkerAt(std::string_view Text, std::size_t P)
{
    static_assert(kOpeningMarker.size() == 16);
    static_assert(std::endian::native == std::endian::little, "marker words are little-endian");
    constexpr std::uint64_t kFold0 = MarkerWord(0, true);
    constexpr std::uint64_t kFold1 = MarkerWord(8, true);
    constexpr std::uint64_t kMarker0 = MarkerWord(0, false) | kFold0;
    constexpr std::uint64_t kMarker1 = MarkerWord(8, false) | kFold1;
    if (Text.size() - P < kOpeningMarker.size())
        return false;
    std::uint64_t first;
    std::uint64_t second;
    std::memcpy(&first, Text.data() + P, sizeof first);
    std::memcpy(&second, Text.data() + P + 8, sizeof second);
    return (first | kFold0) == kMarker0 && (second | kFold1) == kMarker1;
}

bool ClosingMarkerAt(std::string_view Text, std::size_t P)
{
    return Text.substr(P, kClosingMarker.size()) == kClosingMarker;
}

// Only '=' and '?' can begin a marker; the bytes between them are copied or
// collected in one go. '=' and '?' differ only in bit 1, so OR-ing that bit
// in turns both into '?', and one compare finds either.
std::size_t NextMarkerCandidate(std::string_view Text, std::size_t P)
{
#ifdef __SSE2__
    // Bit i set where the byte at From + i is '=' or '?'.
    const auto candidates = [&Text](std::size_t From) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text.data() + From));
        const __m128i folded = _mm_or_si128(chunk, _mm_set1_epi8(0x02));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(folded, _mm_set1_epi8('?'))));
    };
    if (Text.size() >= 16) {
        while (Text.size() - P >= 16) {
            if (const unsigned found = candidates(P); found != 0)
                return P + static_cast<std::size_t>(std::countr_zero(found));
            P += 16;
        }
        // The tail: the last 16 bytes, less those before P.
        const std::size_t last = Text.size() - 16;
        const unsigned found = candidates(last) >> (P - last);
        return found != 0 ? P + static_cast<std::size_t>(std::countr_zero(found)) : Text.size();
    }
#endif
    while (P < Text.size() && (Text[P] | 0x02) != '?')
        ++P;
    return P;
}

// The text of the open word. Usually one stretch of the input, held as a
// range; only a marker inside the word splits it, and then it is copied.
class WordText {
public:
    explicit WordText(std::string_view Input) : input_(Input) {}

    bool Empty() const { return !spilled_ && begin_ == end_; }

    void Append(std::size_t From, std::size_t To)
    {
        if (!spilled_ && (begin_ == end_ || end_ == From)) {
            if (begin_ == end_)
                begin_ = From;
            end_ = To;
            return;
        }
        if (!spilled_) {
            copy_.assign(input_.substr(begin_, end_ - begin_));
            spilled_ = true;
        }
        copy_.append(input_.substr(From, To - From));
    }

    std::string_view View() const
    {
        return spilled_ ? std::string_view(copy_) : input_.substr(begin_, end_ - begin_);
    }

    void Clear()
    {
        begin_ = end_ = 0;
        copy_.clear();
        spilled_ = false;
    }

private:
    std::string_view input_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    std::string copy_;
    bool spilled_ = false;
};

// Decodes one closed word onto the end of Out. The base64 bytes land in Out
// and are turned into Shift-JIS where they lie, which never needs more room.
void AppendDecodedWord(std::string& Out, std::string_view Word)
{
    const std::size_t start = Out.size();
    Out.resize(start + jconv::Base64DecodedBound(Word.size()));
    char* const bytes = Out.data() + start;
    const char* const bytesEnd = jconv::DecodeBase64Groups(Word, bytes);
    const char* const sjisEnd =
        jconv::ConvertJisToSjis(bytes, static_cast<std::size_t>(bytesEnd - bytes), bytes);
    Out.resize(static_cast<std::size_t>(sjisEnd - Out.data()));
}

} // namespace

std::string TZtConv::DecodeHeader(const std::string& Header) const
{
    const std::string_view text = Header;
    std::string out;
    // A decoded word is never longer than its text, so this is the only
    // growth of the result.
    out.reserve(text.size());
    WordText word(text);
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
            if (!word.Empty()) {
                AppendDecodedWord(out, word.View());
                word.Clear();
            }
            // The byte after "?=" is copied without the marker tests.
            if (p < text.size())
                out.push_back(text[p++]);
            continue;
        }
        const std::size_t end = NextMarkerCandidate(text, p + 1);
        if (inWord)
            word.Append(p, end);
        else
            out.append(text, p, end - p);
        p = end;
    }
    // A word that no "?=" closed is dropped.
    return out;
}
