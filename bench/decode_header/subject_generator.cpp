#include "subject_generator.h"

#include <array>
#include <string_view>

namespace {

constexpr std::string_view kOpen = "=?ISO-2022-JP?B?";
constexpr std::string_view kClose = "?=";

constexpr std::array<std::string_view, 12> kWords = {
    "Re:",   "Fwd:",    "meeting", "report", "2024-05", "[list:1234]",
    "draft", "invoice", "#42",     "(3)",    "update",  "OK",
};

std::string Base64(std::string_view Bytes)
{
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (std::size_t i = 0; i < Bytes.size(); i += 3) {
        const std::size_t n = Bytes.size() - i < 3 ? Bytes.size() - i : 3;
        unsigned group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(Bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return text;
}

} // namespace

int SubjectGenerator::Roll(int Low, int High)
{
    return std::uniform_int_distribution<int>(Low, High)(random_);
}

std::string SubjectGenerator::AsciiPhrase()
{
    std::string phrase;
    const int words = Roll(1, 5);
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            phrase += ' ';
        phrase += kWords[static_cast<std::size_t>(Roll(0, static_cast<int>(kWords.size()) - 1))];
    }
    return phrase;
}

// Kana and level-1 kanji in runs, with the odd ASCII run between them (a
// number, a tag), always ending in ASCII mode so that each word stands
// alone, and short enough for one 75-byte word.
std::string SubjectGenerator::WordJis()
{
    std::string jis;
    bool twoByte = false;
    bool wantTwoByte = Roll(0, 9) < 8;
    const int chars = Roll(2, 14);
    for (int i = 0; i < chars; ++i) {
        if (Roll(0, 99) < 12)
            wantTwoByte = !wantTwoByte;
        if (wantTwoByte != twoByte) {
            jis += wantTwoByte ? "\x1B$B" : "\x1B(B";
            twoByte = wantTwoByte;
        }
        if (!twoByte) {
            jis += static_cast<char>(Roll('a', 'z'));
            continue;
        }
        const int kind = Roll(0, 9);
        if (kind < 3) { // hiragana
            jis += '\x24';
            jis += static_cast<char>(Roll(0x21, 0x73));
        } else if (kind < 4) { // katakana
            jis += '\x25';
            jis += static_cast<char>(Roll(0x21, 0x76));
        } else { // level-1 kanji
            jis += static_cast<char>(Roll(0x30, 0x4E));
            jis += static_cast<char>(Roll(0x21, 0x7E));
        }
    }
    if (twoByte)
        jis += "\x1B(B";
    return jis;
}

SubjectGenerator::Line SubjectGenerator::Next()
{
    Line line{"Subject: ", "Subject: "};
    if (Roll(0, 3) == 0) { // plain ASCII subject
        const std::string phrase = AsciiPhrase();
        line.encoded += phrase;
        line.rawJis += phrase;
        return line;
    }
    if (Roll(0, 2) == 0) {
        const std::string phrase = AsciiPhrase() + ' ';
        line.encoded += phrase;
        line.rawJis += phrase;
    }
    const int words = Roll(1, 3);
    for (int i = 0; i < words; ++i) {
        if (i > 0) {
            line.encoded += ' ';
            line.rawJis += ' ';
        }
        const std::string jis = WordJis();
        line.encoded += kOpen;
        line.encoded += Base64(jis);
        line.encoded += kClose;
        line.rawJis += jis;
    }
    if (Roll(0, 3) == 0) {
        const std::string phrase = ' ' + AsciiPhrase();
        line.encoded += phrase;
        line.rawJis += phrase;
    }
    return line;
}
