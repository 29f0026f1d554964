#pragma once
// The stream codec: decodes an input stream of base64 (uuMime) or uuencoded
// (uuCode) lines, each ending in CR LF (a bare LF is accepted too), into the
// decoded bytes on the output stream.

#include "platform/component.h"

#include <istream>
#include <ostream>

enum TUUMethod { uuMime, uuCode };

class TUUProcessor : public TComponent {
public:
    explicit TUUProcessor(TComponent* Owner = nullptr) { (void)Owner; }

    std::istream* InputStream = nullptr;
    std::ostream* OutputStream = nullptr;
    TUUMethod Method = uuMime;

    // Reads InputStream from its current position to its end and writes the
    // decoded bytes to OutputStream. Malformed input never crashes it:
    // characters outside the alphabet are skipped. EFileError when the
    // output stream fails.
    void Decode();
};
