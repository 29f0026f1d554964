#pragma once
#include <string>

// Field number Index (from 1) of Text split at every Delimiter. Nothing is
// trimmed: adjacent delimiters give an empty field, and the last field runs to
// the end of Text, line end included. Out-of-range Index or empty Text: "".
std::string NthWord(const std::string& Text, char Delimiter, int Index);
