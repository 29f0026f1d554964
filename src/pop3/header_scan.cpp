// The header scan: from the connection for a message's header, from the
// captured body lines for a part's header.

#include "platform/nth_word.h"
#include "pop3/header_text.h"
#include "pop3/pop3_client.h"
#include "pop3/retrieval_state.h"

namespace {

// Stores what one header line says. Every test runs on its own: one line can
// set several fields.
void ApplyHeaderLine(TPop3Client& client, const std::string& Line, TMailMessage& BoundaryTarget)
{
    TMailMessage& message = client.MailMessage();
    const std::string firstWord = AsciiUpper(NthWord(Line, ' ', 1));
    const std::string upper = AsciiUpper(Line);

    if (firstWord == "SUBJECT:")
        message.Subject = FieldFrom(Line, 9);  // keeps the blank after the colon
    if (firstWord == "FROM:")
        message.From = FieldFrom(Line, 7);
    if (firstWord == "CONTENT-TYPE:")
        message.ContentType = FieldFrom(Line, 15);
    if (firstWord == "MESSAGE-ID:")
        message.MessageId = FieldFrom(Line, 13);
    if (const std::size_t at = upper.find("BOUNDARY="); at != std::string::npos)
        BoundaryTarget.Boundary = BoundaryValue(Line, at);
    if (Contains(upper, "CONTENT-TRANSFER-ENCODING"))
        client.TransferEncoding = FieldFrom(Line, 28);
    if (Contains(upper, "NAME"))  // "FILENAME" contains it too
        client.PartFileName = NthWord(Line, '"', 2);
}

// One header line from the server, without its line end. Returns false when
// the header ends without an empty line (terminating line or closed connection).
bool ReadServerLine(TPop3Client& client, std::string& Line)
{
    std::string raw;
    client.ReadLn(raw);  // untrusted server text
    if (raw.empty()) {
        HeaderScanEnd = THeaderScanEnd::ConnectionClosed;
        return false;
    }
    if (raw == ".\r\n") {
        HeaderScanEnd = THeaderScanEnd::MessageEnd;
        return false;
    }
    Line.assign(raw, 0, raw.size() >= 2 ? raw.size() - 2 : 0);
    return true;
}

}  // namespace

void TPop3Client::ReadHeaderLines(bool FromCapturedLines, TMailMessage& BoundaryTarget)
{
    TMailMessage& message = MailMessage();
    if (!FromCapturedLines)
        HeaderScanEnd = THeaderScanEnd::EmptyLine;

    std::string line;
    for (;;) {
        if (FromCapturedLines) {
            if (LineCursor >= message.RawLines.Count())
                break;
            line = message.RawLines[LineCursor++];
        } else if (!ReadServerLine(*this, line)) {
            break;
        }
        if (PartMode == pmHeader)
            message.Header.Add(line);
        if (line.empty())
            break;
        ApplyHeaderLine(*this, line, BoundaryTarget);
    }
    if (PartMode == pmHeader)
        PartMode = pmBody;
}
