#include "jconv/base64_decode.h"

namespace jconv {

void AppendBase64Decoded(std::string& Out, std::string_view Text)
{
    const auto* in = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t groups = Text.size() / 4;
    Out.reserve(Out.size() + groups * 3);
    for (std::size_t g = 0; g < groups; ++g, in += 4) {
        const unsigned v1 = Base64ValueOf(in[0]);
        const unsigned v2 = Base64ValueOf(in[1]);
        const unsigned v3 = Base64ValueOf(in[2]);
        const unsigned v4 = Base64ValueOf(in[3]);
        // The value 64 has no bit inside any mask and loses its one bit in the
        // 8-bit cut of the first shift, so it decodes like "A".
        const unsigned b1 = ((v1 << 2) & 0xFFu) | ((v2 & 0x30u) >> 4);
        const unsigned b2 = ((v2 & 0x0Fu) << 4) | ((v3 & 0x3Cu) >> 2);
        const unsigned b3 = ((v3 & 0x03u) << 6) | (v4 & 0x3Fu);
        Out.push_back(static_cast<char>(b1));
        if (b2 != 0)
            Out.push_back(static_cast<char>(b2));
        if (b3 != 0)
            Out.push_back(static_cast<char>(b3));
    }
}

} // namespace jconv
