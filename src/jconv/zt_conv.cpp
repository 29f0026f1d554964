#include "jconv/zt_conv.h"

#include "jconv/base64_decode.h"
#include "jconv/jis_to_sjis.h"

TZtConv::TZtConv(TComponent* Owner)
    : jisByteCodeType_(btAscii), jisKanaConvType_(ktZenWithDaku)
{
    // The owner frees its components itself; nothing here needs it.
    (void)Owner;
}

std::string TZtConv::Base64Decode(const std::string& Text) const
{
    std::string bytes(jconv::Base64DecodedBound(Text.size()), '\0');
    const char* const end = jconv::DecodeBase64Groups(Text, bytes.data());
    bytes.resize(static_cast<std::size_t>(end - bytes.data()));
    return bytes;
}

unsigned char TZtConv::Base64Value(unsigned char C) const
{
    return jconv::Base64ValueOf(C);
}

std::string TZtConv::JisToSjis(const std::string& Jis) const
{
    std::string sjis(Jis.size(), '\0');
    const char* const end = jconv::ConvertJisToSjis(Jis.data(), Jis.size(), sjis.data());
    sjis.resize(static_cast<std::size_t>(end - sjis.data()));
    return sjis;
}

std::string TZtConv::JisToSjisPair(unsigned char C1, unsigned char C2) const
{
    char pair[2];
    const char* const end = jconv::WriteSjisPair(pair, C1, C2);
    return std::string(pair, static_cast<std::size_t>(end - pair));
}
