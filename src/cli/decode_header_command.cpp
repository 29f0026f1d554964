// tovik-cli decode-header: a filter, one decoded line for each input line.

#include "cli/commands.h"
#include "cli/exit_status.h"
#include "jconv/zt_conv.h"
#include "platform/sjis.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

// getline's buffer, grown by getline itself.
struct LineBuffer {
    char* data = nullptr;
    std::size_t capacity = 0;
    LineBuffer() = default;
    LineBuffer(const LineBuffer&) = delete;
    LineBuffer& operator=(const LineBuffer&) = delete;
    ~LineBuffer() { std::free(data); }
};

void Write(std::string_view bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::putc('\n', stdout);
}

}  // namespace

int RunDecodeHeader(const CliOptions& options)
{
    const bool toUtf8 = options.encoding == TextEncoding::Utf8;
    const TZtConv conv;

    // Large inputs: big stdio buffers and no flush per line.
    static char inBuffer[1 << 16];
    static char outBuffer[1 << 16];
    std::setvbuf(stdin, inBuffer, _IOFBF, sizeof inBuffer);
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);

    LineBuffer line;
    for (;;) {
        const ssize_t got = ::getline(&line.data, &line.capacity, stdin);
        if (got < 0)
            break;
        auto length = static_cast<std::size_t>(got);
        if (length > 0 && line.data[length - 1] == '\n')
            --length;
        const std::string decoded = conv.DecodeHeader(std::string(line.data, length));
        if (toUtf8)
            Write(SjisToUtf8(decoded));
        else
            Write(decoded);
    }
    if (std::ferror(stdin))
        throw CliError(std::string("cannot read standard input: ") + std::strerror(errno));
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        throw CliError(std::string("cannot write standard output: ") + std::strerror(errno));
    return kExitOk;
}
