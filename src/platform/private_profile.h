#pragma once
// Reading a private-profile (INI) file the way the Windows reader does:
// [Section] headings and key=value lines; section and key names match without
// regard to ASCII letter case; blanks around names and values are trimmed; one
// pair of surrounding double (or single) quotes is removed from a value; the
// first match wins; lines starting with ';' are comments; CR LF or LF ends.

#include <string>

// Like GetPrivateProfileStringA: the value of Key in Section of the file at
// Path, or Default when the file, section or key is missing. The result is
// cut to BufferSize - 1 bytes (so a buffer of 255 keeps 254 bytes).
std::string GetPrivateProfileString(const std::string& Section, const std::string& Key,
                                    const std::string& Default, std::size_t BufferSize,
                                    const std::string& Path);
