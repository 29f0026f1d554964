// TZtConv as a component: defaults, its two stored properties, and that
// they change nothing in the decoding.

#include "jconv/zt_conv.h"
#include "hex_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>

namespace {

static_assert(std::is_base_of_v<TComponent, TZtConv>);
static_assert(sizeof(TJisByteCodeType) == 1 && sizeof(TJisKanaConvType) == 1);

TEST(ZtConvComponent, StartsWithTheFormDefaults)
{
    TComponent owner;
    const TZtConv conv(&owner);
    EXPECT_EQ(conv.JisByteCodeType(), btAscii);
    EXPECT_EQ(conv.JisKanaConvType(), ktZenWithDaku);
}

TEST(ZtConvComponent, PropertiesKeepWhatIsStored)
{
    TZtConv conv;
    conv.SetJisByteCodeType(btRoman);
    conv.SetJisKanaConvType(ktZenSepaDaku);
    EXPECT_EQ(conv.JisByteCodeType(), btRoman);
    EXPECT_EQ(conv.JisKanaConvType(), ktZenSepaDaku);
    conv.SetJisKanaConvType(ktNone);
    EXPECT_EQ(conv.JisKanaConvType(), ktNone);
}

TEST(ZtConvComponent, DecodingIgnoresTheProperties)
{
    // JIS Roman text (ESC ( J with its yen and overline bytes) and katakana:
    // what the two property names speak of.
    const std::string header =
        "Re: =?ISO-2022-JP?B?GyRCJUYlOSVIGyhKXH4bKEI=?= \\~ =?ISO-2022-JP?B?GyRCJUslQyVdGyhC?=";
    const std::string expected =
        "Re: " + jconv_test::Hex("83 65 83 58 83 67 5C 7E 20 5C 7E 20 83 6A 83 62 83 7C");
    for (const auto byteType : {btAscii, btRoman}) {
        for (const auto kanaType : {ktNone, ktZenWithDaku, ktZenSepaDaku}) {
            TZtConv conv;
            conv.SetJisByteCodeType(byteType);
            conv.SetJisKanaConvType(kanaType);
            EXPECT_EQ(conv.DecodeHeader(header), expected) << int(byteType) << "/" << int(kanaType);
        }
    }
}

} // namespace
