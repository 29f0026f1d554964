#include "platform/nth_word.h"

std::string NthWord(const std::string& Text, char Delimiter, int Index)
{
    if (Text.empty() || Index < 1)
        return {};
    std::size_t start = 0;
    for (int field = 1; field < Index; ++field) {
        const std::size_t next = Text.find(Delimiter, start);
        if (next == std::string::npos)
            return {};
        start = next + 1;
    }
    const std::size_t stop = Text.find(Delimiter, start);
    return Text.substr(start, stop == std::string::npos ? std::string::npos : stop - start);
}
