#include "pop3/text_lines.h"

#include "platform/exception.h"
#include "pop3/fd_stream.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

void LoadTextLines(const std::string& Path, TExStringList& Lines)
{
    const TFd file(::open(Path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.Valid())
        throw EFileError(FileErrorText("Cannot open file", Path, errno));

    TExStringList loaded;
    const auto buffer = std::make_unique<char[]>(kFileBufferSize);
    std::string line;
    bool pending = false;  // line holds text not yet ended
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer.get(), kFileBufferSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EFileError(FileErrorText("Cannot read file", Path, errno));
        if (n == 0)
            break;
        const char* at = buffer.get();
        const char* const end = at + n;
        while (at < end) {
            const auto* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
            if (lf == nullptr) {
                line.append(at, end);
                pending = true;
                break;
            }
            line.append(at, lf);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            loaded.Add(std::string(line));  // exact capacity, not the scratch buffer's
            line.clear();
            pending = false;
            at = lf + 1;
        }
    }
    if (pending)
        loaded.Add(std::move(line));
    Lines = std::move(loaded);
}
