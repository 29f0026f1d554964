#pragma once
// Names for the files retrieval writes into the attachment directory.

#include <string>
#include <string_view>

// A file name taken from mail (untrusted) made safe to create in the
// attachment directory: directory parts and separators dropped, control
// bytes replaced by '_', ".", ".." and "" refused in favour of "text.tmp",
// and very long names shortened, their extension kept. A Shift-JIS pair is
// one character: its second byte may be '\' and is then no separator. A name
// that is already safe comes back byte for byte.
std::string SafeAttachmentName(std::string_view Name);

// The longest name SafeAttachmentName gives, leaving room for "_k" suffixes.
inline constexpr std::size_t kMaxAttachmentName = 200;

// True when Path names anything, a dangling symbolic link included.
bool PathExists(const std::string& Path);

// The collision rule: Name when Dir + Name is free, otherwise the first free
// stem + "_" + k + "." + extension for k = 1, 2, ..., with stem and extension
// split at the last dot of Name. A name without a dot gets stem + "_" + k.
// Searches continue after the name found last for the same stem while that
// file still exists, so many parts of one name cost no square of look-ups.
std::string FreeFileName(const std::string& Dir, const std::string& Name);
