#pragma once
// Byte-string helpers of the header scan and the part copy. Letter case is
// ASCII only: header text is 8-bit Shift-JIS or worse, never locale text.

#include <string>
#include <string_view>

std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);

// True when Needle occurs in Text; an empty Needle occurs nowhere.
bool Contains(std::string_view Text, std::string_view Needle);

// The characters of Line from position Pos (counting from 1) on, at most 256.
std::string FieldFrom(const std::string& Line, std::size_t Pos);

// The boundary parameter of a header line whose upper-case form has
// "BOUNDARY=" at offset At: up to the closing quote when quoted, else up to
// the first ';' or blank. Empty when there is none.
std::string BoundaryValue(const std::string& Line, std::size_t At);
