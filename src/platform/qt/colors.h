#pragma once
// Colour values as the form designer stores them: 0x00BBGGRR, blue in the
// high byte. Values with the top byte set name a system colour instead.

#include <QColor>

using TColor = int;

inline constexpr TColor clLime = 0x0000FF00;    // 65280
inline constexpr TColor clGray = 0x00808080;    // 8421504
inline constexpr TColor clSilver = 0x00C0C0C0;  // 12632256
// System colours: the flag byte plus the system colour index.
inline constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clBtnFace = clSystemColor | 15;

// The colour to paint for a value; system colours come from the palette.
QColor ToQColor(TColor color);
