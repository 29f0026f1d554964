#include "cli/terminal_text.h"

#include "platform/sjis.h"

std::string TerminalLine(std::string_view sjis, TextEncoding encoding)
{
    while (!sjis.empty() && (sjis.back() == '\n' || sjis.back() == '\r'))
        sjis.remove_suffix(1);

    // Shift-JIS trail bytes start at 0x40, so no control byte is part of a
    // double-byte character and each can be replaced on its own.
    std::string line(sjis);
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7F)
            c = '?';
    }
    return encoding == TextEncoding::Utf8 ? SjisToUtf8(line) : line;
}

void WriteLine(std::FILE* out, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), out);
    std::fputc('\n', out);
}
