#pragma once
// Text on its way to the terminal: Shift-JIS bytes from mail, the settings
// file or the server, made into one safe line.

#include "cli/options.h"

#include <cstdio>
#include <string>
#include <string_view>

// One line of text: trailing CR LF removed, other control characters (but
// tab) shown as '?' so that mail can neither break the line nor steer the
// terminal, then converted from Shift-JIS to UTF-8 unless encoding is Sjis.
std::string TerminalLine(std::string_view sjis, TextEncoding encoding);

// Writes text and LF to out, buffered.
void WriteLine(std::FILE* out, std::string_view text);
