#pragma once
// Loading a file back as text lines, for a decoded single-part body.

#include "platform/string_list.h"

#include <string>

// Replaces Lines with the lines of the file at Path: lines end in LF or CR LF,
// a last line without an end counts, and no empty line follows a final line
// end. Reads through a buffer, in one pass. EFileError when it cannot be read.
void LoadTextLines(const std::string& Path, TExStringList& Lines);
