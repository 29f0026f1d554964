#include "jconv/base64_decode.h"

namespace jconv {

char* DecodeBase64Groups(std::string_view Text, char* Out)
{
    const auto* in = reinterpret_cast<const unsigned char*>(Text.data());
    const std::size_t groups = Text.size() / 4;
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
        // Written unconditionally, kept only when not zero: no branches.
        *Out++ = static_cast<char>(b1);
        *Out = static_cast<char>(b2);
        Out += b2 != 0;
        *Out = static_cast<char>(b3);
        Out += b3 != 0;
    }
    return Out;
}

} // namespace jconv
