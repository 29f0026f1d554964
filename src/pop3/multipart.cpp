// The multipart walk and the part copy: the first part becomes the message
// text, every later part a file in the attachment directory.

#include "platform/exception.h"
#include "pop3/attachment_names.h"
#include "pop3/header_text.h"
#include "pop3/part_files.h"
#include "pop3/pop3_client.h"

#include <cerrno>
#include <istream>
#include <optional>
#include <ostream>

#include <unistd.h>

namespace {

// A message about to be deleted on the server must leave its files whole on
// disk first; the directory itself is synced with the saved copy before DELE.
void SyncBeforeDelete(bool DeleteOnRead, const TFd& File, const std::string& Path)
{
    if (DeleteOnRead && ::fsync(File.Get()) != 0)
        throw EFileError(FileErrorText("Cannot write file", Path, errno));
}

// A delimiter line closes the walk when its last four characters hold "--".
bool IsClosingDelimiter(const std::string& Line)
{
    const std::size_t tail = Line.size() >= 4 ? Line.size() - 4 : 0;
    return Line.find("--", tail) != std::string::npos;
}

bool IsDecoded(const std::string& TransferEncoding)
{
    return Contains(AsciiLower(TransferEncoding), "base64") || Contains(TransferEncoding, "X-UUENCODE");
}

// Points the codec at two streams for one Decode() and never leaves it
// holding them afterwards.
class TCodecStreams {
public:
    TCodecStreams(TUUProcessor& codec, std::istream& in, std::ostream& out) : codec_(codec)
    {
        codec_.InputStream = &in;
        codec_.OutputStream = &out;
    }
    ~TCodecStreams()
    {
        codec_.InputStream = nullptr;
        codec_.OutputStream = nullptr;
    }
    TCodecStreams(const TCodecStreams&) = delete;
    TCodecStreams& operator=(const TCodecStreams&) = delete;

private:
    TUUProcessor& codec_;
};

}  // namespace

int LastPos(const std::string& SubStr, const std::string& S)
{
    if (SubStr.empty())
        return 0;
    std::size_t last = std::string::npos;
    for (std::size_t at = S.find(SubStr); at != std::string::npos; at = S.find(SubStr, at + SubStr.size()))
        last = at;
    return last == std::string::npos ? 0 : static_cast<int>(last) + 1;
}

void TPop3Client::ParseMultipart()
{
    TMailMessage& message = MailMessage();
    TMailMessage scratch;  // takes the boundaries of nested parts, which are never used

    // The preamble, up to and including the first delimiter line. Running out
    // of lines raises the list's index error.
    for (;;) {
        const std::string& line = message.RawLines[LineCursor];
        ++LineCursor;
        if (Contains(line, message.Boundary))
            break;
    }

    bool closing = false;
    do {
        ReadHeaderLines(true, scratch);
        closing = ExtractPart(message);
        // A message of thousands of parts must not freeze the window.
        Pump().Breathe();
    } while (LineCursor < message.RawLines.Count() && !closing);
}

bool TPop3Client::ExtractPart(TMailMessage& Message)
{
    TMailMessage& message = MailMessage();
    const TExStringList& lines = message.RawLines;
    const std::string& dir = AttachFilePath();
    const bool toFile = PartMode == pmFile;

    TFd temp;
    std::string tempPath;
    std::optional<TFdOutBuf> tempOut;
    if (toFile) {
        temp = CreateTempPartFile(dir, tempPath);
        tempOut.emplace(temp.Get(), tempPath);
    }
    StatusMessage(1, "Extracting file");
    if (LineCursor >= lines.Count()) {
        temp.Close(tempPath);  // stays, empty
        return false;
    }

    bool closing = false;
    for (;;) {
        const std::string& line = lines[LineCursor];
        ++LineCursor;
        if (Contains(line, Message.Boundary)) {
            closing = IsClosingDelimiter(line);
            break;
        }
        if (toFile) {
            tempOut->Write(line);
            tempOut->Write("\r\n");
        } else {
            message.Body.Add(line);
        }
        ++BytesRecvd;
        Raise(OnPacketRecvd, this);
        if (LineCursor >= lines.Count())
            break;  // a truncated part ends with the lines
    }

    if (toFile) {
        tempOut->Finish();
        if (tempOut->Written() > 0) {
            // The name comes from mail: never let it leave the directory.
            PartFileName = FreeFileName(dir, SafeAttachmentName(PartFileName));
            const std::string freeName = PartFileName;
            Raise(OnDecodeStart, PartFileName);
            // Only a name the handler changed needs cleaning again: the free
            // name may be longer than a cleaned one, and cutting it back would
            // land on the taken name it was made to avoid.
            if (PartFileName != freeName)
                PartFileName = SafeAttachmentName(PartFileName);
            message.Body.Add("\r\nFile \"" + PartFileName + "\" extracted");
            message.Attachments.Add(PartFileName);

            const std::string target = dir + PartFileName;
            if (IsDecoded(TransferEncoding)) {
                if (::lseek(temp.Get(), 0, SEEK_SET) != 0)
                    throw EFileError(FileErrorText("Cannot read file", tempPath, errno));
                TFdInBuf inBuf(temp.Get(), tempPath);
                std::istream in(&inBuf);
                in.exceptions(std::ios::badbit);
                // Decoded under a hidden name and renamed into place, so the
                // part's name never shows a half-written file.
                std::string scratchPath;
                TFd output = CreateScratchFile(dir, PartFileName, scratchPath);
                TPendingFile pending(scratchPath);
                TFdOutBuf outBuf(output.Get(), scratchPath);
                std::ostream out(&outBuf);
                TUUProcessor& codec = UUProcessor();
                const TCodecStreams streams(codec, in, out);
                codec.Method = Contains(TransferEncoding, "X-UUENCODE") ? uuCode : uuMime;
                StatusMessage(1, "Decoding file");
                codec.Decode();
                outBuf.Finish();
                SyncBeforeDelete(DeleteOnRead, output, scratchPath);
                output.Close(scratchPath);
                if (!RenameNoReplace(scratchPath, target))
                    throw EFileError(FileErrorText("Cannot create file", target, errno));
                pending.Keep();
            } else {
                SyncBeforeDelete(DeleteOnRead, temp, tempPath);
                // A failed renaming leaves the part under its temporary name.
                RenameNoReplace(tempPath, target);
            }
        }
        temp.Close(tempPath);
    }

    PartMode = pmFile;
    return closing;
}
