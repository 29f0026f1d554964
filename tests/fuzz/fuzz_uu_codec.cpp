// The stream codec over arbitrary bytes, in both methods.
#include "platform/uu_processor.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const TUUMethod method : {uuMime, uuCode}) {
        std::istringstream in(input);
        std::ostringstream out;
        TUUProcessor codec;
        codec.InputStream = &in;
        codec.OutputStream = &out;
        codec.Method = method;
        codec.Decode();
    }
    return 0;
}
