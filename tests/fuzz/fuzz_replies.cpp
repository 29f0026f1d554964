// Reply parsing: the field splitter and the +OK test over arbitrary lines.
#include "platform/nth_word.h"
#include "pop3/pop3_reply.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const char delimiter = static_cast<char>(data[0]);
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t total = 0;
    for (int index = -1; index < 8; ++index) {
        const std::string field = NthWord(text, delimiter, index);
        if (field.size() > text.size())
            std::abort();
        total += field.size();
    }
    (void)total;
    IsOkReply(text);
    return 0;
}
