#pragma once
// Shift-JIS (code page 932) <-> UTF-8. Mail and settings text is Shift-JIS;
// the toolkit wants UTF-8. Never fails: an undecodable Shift-JIS byte becomes
// U+FFFD, and a character that has no Shift-JIS form (or a broken UTF-8 byte)
// becomes '?'; the conversion goes on after it. Safe to call from any thread.

#include <string>

std::string SjisToUtf8(const std::string& Sjis);
std::string Utf8ToSjis(const std::string& Utf8);
