// Header decoding over arbitrary bytes: never crashes, never grows the text
// beyond what the input can produce.
#include "jconv/zt_conv.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const TZtConv conv;
    const std::string decoded = conv.DecodeHeader(input);
    // Base64 shrinks 4:3 and JIS pairs map to pairs: the output can never be longer.
    if (decoded.size() > input.size())
        std::abort();
    conv.JisToSjis(input);
    conv.Base64Decode(input);
    return 0;
}
