#pragma once
// Building test mail and finding the copies retrieval saved.

#include <string>
#include <vector>

using Lines = std::vector<std::string>;

// The lines joined, each followed by CR LF.
std::string CrLf(const Lines& lines);

// A message (CR LF lines) as RETR delivers it: "+OK", the lines with a dot
// doubled where one leads, and the terminating line.
std::string RetrReply(const std::string& message);

// A multipart/mixed message with the given boundary: a header, a preamble
// line, then each part (its header lines, an empty line, its body lines)
// after a delimiter line, and the closing delimiter.
struct MimePart {
    Lines header;
    Lines body;
};
std::string MultipartMessage(const std::string& boundary, const std::vector<MimePart>& parts,
                             const Lines& extraHeader = {});

// Names of the saved message copies in dir (Message<n>.eml and the names the
// collision rule gives them). Hidden unfinished copies do not count.
Lines SavedCopies(const std::string& dir);

// The saved copy in dir whose bytes are exactly message, or "" when none is.
std::string FindSavedCopy(const std::string& dir, const std::string& message);

// The whole file, or "" when it cannot be read.
std::string FileBytes(const std::string& path);
