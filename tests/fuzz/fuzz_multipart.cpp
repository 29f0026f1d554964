// The part header scan and the multipart walk over arbitrary captured lines,
// writing into a scratch directory that is emptied after every input.
#include "platform/exception.h"
#include "pop3/pop3_client.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
const fs::path& ScratchDirectory()
{
    static const fs::path path = [] {
        char name[] = "/tmp/tovik-fuzz-parts-XXXXXX";
        return fs::path(mkdtemp(name));
    }();
    return path;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const fs::path& dir = ScratchDirectory();
    TPop3Client client;
    client.SetAttachFilePath(dir.string());
    TMailMessage& message = client.MailMessage();
    // The first line is the boundary; the rest are the body lines.
    std::size_t start = 0;
    bool first = true;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        if (end == std::string::npos)
            end = input.size();
        std::string line = input.substr(start, end - start);
        if (first)
            message.Boundary = line;
        else
            message.RawLines.Add(line);
        first = false;
        start = end + 1;
    }
    client.PartMode = pmBody;
    client.TransferEncoding = message.Boundary.size() % 2 ? "base64" : "x-uuencode";
    LineCursor = 0;
    try {
        client.ParseMultipart();
    } catch (const Exception&) {
        // Malformed mail is reported, never a crash.
    }
    // Nothing may land outside the scratch directory: every file is a plain child.
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().parent_path() != dir)
            std::abort();
    }
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error))
        fs::remove_all(entry.path(), error);
    return 0;
}
