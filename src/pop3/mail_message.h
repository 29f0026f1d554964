#pragma once
// The result of one retrieval, and the summary record. All strings hold the
// header text as received (untrusted, 8-bit, encoded words not decoded).

#include "platform/string_list.h"

#include <string>

class TMailMessage {
public:
    TExStringList Header;       // top-level header lines, ending with the empty line
    TExStringList RawLines;     // body lines as captured, without CR LF
    TExStringList Body;         // the text of the message for its reader
    TExStringList Attachments;  // names (no directory) of the files extracted
    std::string ContentType;
    std::string From;
    std::string Subject;        // begins with the blank after "Subject:"
    std::string MessageId;
    std::string Boundary;       // multipart boundary from the message header
};

// Created and freed with the component; nothing fills it.
class TSummary {
public:
    std::string Subject;
    std::string From;
    int Bytes = 0;
    std::string MessageId;
    TExStringList Header;
};
