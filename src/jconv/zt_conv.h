#pragma once
// The header converter component: turns ISO-2022-JP "B" encoded words in a
// header value into Shift-JIS for display. Every operation is a pure function
// over byte strings; malformed input gives a shorter result, never an error.

#include "platform/component.h"

#include <cstdint>
#include <string>

enum TJisByteCodeType : std::uint8_t { btAscii, btRoman };
enum TJisKanaConvType : std::uint8_t { ktNone, ktZenWithDaku, ktZenSepaDaku };

class TZtConv : public TComponent {
public:
    explicit TZtConv(TComponent* Owner = nullptr);
    ~TZtConv() override = default;

    // --- published ----------------------------------------------------------
    // Kept for the stored form; no conversion reads them.
    TJisByteCodeType JisByteCodeType() const { return jisByteCodeType_; }
    void SetJisByteCodeType(TJisByteCodeType Value) { jisByteCodeType_ = Value; }
    TJisKanaConvType JisKanaConvType() const { return jisKanaConvType_; }
    void SetJisKanaConvType(TJisKanaConvType Value) { jisKanaConvType_ = Value; }

    // --- operations -----------------------------------------------------------
    // Decodes each closed "=?ISO-2022-JP?B?...?=" word in place; all other
    // text is copied, except that every "?=" found by the scan is removed.
    std::string DecodeHeader(const std::string& Header) const;
    // Base64 without skipping: every byte takes a group position.
    std::string Base64Decode(const std::string& Text) const;
    // 0..63 for the base64 alphabet, 64 for every other byte.
    unsigned char Base64Value(unsigned char C) const;
    // ISO-2022-JP (ESC $ B, ESC ( B, ESC ( J) to Shift-JIS.
    std::string JisToSjis(const std::string& Jis) const;
    // Shift-JIS bytes of one JIS X 0208 code; empty when the row is out of range.
    std::string JisToSjisPair(unsigned char C1, unsigned char C2) const;

private:
    TJisByteCodeType jisByteCodeType_;
    TJisKanaConvType jisKanaConvType_;
};
