#include "pop3/message_copy.h"

#include "platform/exception.h"
#include "pop3/attachment_names.h"
#include "pop3/part_files.h"

#include <cerrno>

#include <unistd.h>

namespace {

void WriteLines(TFdOutBuf& out, const TExStringList& Lines)
{
    for (const std::string& line : Lines) {
        const bool stuffed = !line.empty() && line.front() == '.';
        out.Write(std::string_view(line).substr(stuffed ? 1 : 0));
        out.Write("\r\n");
    }
}

std::string Save(const std::string& Dir, int MessageNumber, const TMailMessage& Message)
{
    const std::string name = "Message" + std::to_string(MessageNumber) + ".eml";
    std::string scratchPath;
    TFd file = CreateScratchFile(Dir, name, scratchPath);
    TPendingFile pending(scratchPath);

    TFdOutBuf out(file.Get(), scratchPath);
    WriteLines(out, Message.Header);
    WriteLines(out, Message.RawLines);
    out.Finish();
    if (::fsync(file.Get()) != 0)
        throw EFileError(FileErrorText("Cannot write file", scratchPath, errno));
    file.Close(scratchPath);

    for (;;) {
        const std::string freeName = FreeFileName(Dir, name);
        if (RenameNoReplace(scratchPath, Dir + freeName)) {
            pending.Keep();
            if (!SyncDirectory(Dir))
                throw EFileError(FileErrorText("Cannot write directory", Dir.empty() ? "." : Dir, errno));
            return freeName;
        }
        if (errno != EEXIST)  // EEXIST: the name was taken meanwhile; try the next one
            throw EFileError(FileErrorText("Cannot rename file", scratchPath, errno));
    }
}

}  // namespace

std::string SaveMessageCopy(const std::string& Dir, int MessageNumber, const TMailMessage& Message)
{
    try {
        return Save(Dir, MessageNumber, Message);
    } catch (const Exception& error) {
        throw EFileError("Cannot save a copy of message " + std::to_string(MessageNumber)
                         + ", so it was not deleted: " + error.Message());
    }
}
