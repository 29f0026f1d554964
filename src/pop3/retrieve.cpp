// RetrieveMessage: RETR, the header scan, the body capture, the dispatch of
// the body, and DELE.

#include "platform/nth_word.h"
#include "pop3/header_text.h"
#include "pop3/message_copy.h"
#include "pop3/pop3_client.h"
#include "pop3/pop3_reply.h"
#include "pop3/retrieval_state.h"
#include "pop3/text_lines.h"

#include <exception>

namespace {

const char* const kConnectionClosed = "Connection closed during retrieval";

// Reads the body lines up to the terminating line into RawLines, each without
// its CR LF and still byte-stuffed.
void CaptureBody(TPop3Client& client)
{
    TExStringList& rawLines = client.MailMessage().RawLines;
    std::string line;
    for (;;) {
        client.ReadLn(line);  // untrusted server text
        if (line.empty())
            throw Exception(kConnectionClosed);
        if (line == ".\r\n")
            return;
        rawLines.Add(std::string(line, 0, line.size() >= 2 ? line.size() - 2 : 0));
    }
}

void DispatchBody(TPop3Client& client)
{
    TMailMessage& message = client.MailMessage();
    if (Contains(AsciiLower(message.ContentType), "multipart")) {
        client.ParseMultipart();
    } else if (!client.Parse) {
        message.Body = message.RawLines;
    } else if (Contains(AsciiUpper(client.TransferEncoding), "BASE64")) {
        client.PartMode = pmFile;
        client.ExtractPart(message);
        // No file made (an empty body): the list's index error.
        LoadTextLines(client.AttachFilePath() + message.Attachments[0], message.Body);
    } else {
        client.ExtractPart(message);  // pmBody: every line into Body
    }
}

void DeleteOnServer(TPop3Client& client, int MessageNumber)
{
    // No message may be lost: the copy must be whole and durable before DELE.
    SaveMessageCopy(client.AttachFilePath(), MessageNumber, client.MailMessage());
    std::string reply;
    client.Transaction("DELE " + std::to_string(MessageNumber), reply);  // untrusted server text
    // Only an exact "-ERR" first field fails; this is not the +OK test. No
    // reply at all is no confirmation either: the server hung up, and without
    // QUIT it deletes nothing.
    if (reply.empty() || NthWord(reply, ' ', 1) == "-ERR")
        RaiseReply(reply);
}

void Retrieve(TPop3Client& client, int MessageNumber)
{
    TMailMessage& message = client.MailMessage();
    client.TransferEncoding.clear();
    message.Boundary.clear();
    client.PartFileName.clear();
    client.PartMode = pmHeader;

    std::string reply;
    client.Transaction("RETR " + std::to_string(MessageNumber), reply);  // untrusted server text
    if (!IsOkReply(reply))
        RaiseReply(reply);

    LineCursor = 0;
    message.Header.Clear();
    message.Body.Clear();
    message.RawLines.Clear();
    message.Attachments.Clear();
    message.Subject.clear();
    message.ContentType.clear();
    message.From.clear();
    message.MessageId.clear();
    client.BytesRecvd = 0;

    client.ReadHeaderLines(false, message);
    switch (HeaderScanEnd) {
    case THeaderScanEnd::ConnectionClosed:
        throw Exception(kConnectionClosed);
    case THeaderScanEnd::MessageEnd:
        break;  // the message has no body
    case THeaderScanEnd::EmptyLine:
        CaptureBody(client);
        break;
    }

    DispatchBody(client);
    if (client.DeleteOnRead)
        DeleteOnServer(client, MessageNumber);
    client.StatusMessage(1, "Message Retrieved");
}

}  // namespace

void TPop3Client::RetrieveMessage(int MessageNumber)
{
    if (busy_)
        return;  // nested call from a handler: do nothing
    busy_ = true;
    try {
        CheckConnection();
        Raise(OnRetrieveStart, this);
    } catch (...) {
        busy_ = false;
        throw;
    }

    std::exception_ptr failure;
    try {
        Retrieve(*this, MessageNumber);
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        Raise(OnRetrieveEnd, this);
    } catch (...) {
        busy_ = false;  // a failing handler must not leave the component busy for good
        throw;
    }
    busy_ = false;
    if (failure)
        std::rethrow_exception(failure);
}
