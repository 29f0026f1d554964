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
    std::string bytes;
    jconv::AppendBase64Decoded(bytes, Text);
    return bytes;
}

unsigned char TZtConv::Base64Value(unsigned char C) const
{
    return jconv::Base64ValueOf(C);
}

std::string TZtConv::JisToSjis(const std::string& Jis) const
{
    std::string sjis;
    jconv::AppendJisAsSjis(sjis, Jis);
    return sjis;
}

std::string TZtConv::JisToSjisPair(unsigned char C1, unsigned char C2) const
{
    std::string pair;
    jconv::AppendSjisPair(pair, C1, C2);
    return pair;
}
