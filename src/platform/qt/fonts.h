#pragma once
// The two Japanese gothic faces the windows are designed with. Where they are
// not installed, an installed gothic face with the same spacing stands in, so
// that every caption renders.

#include <QFont>

// "ＭＳ Ｐゴシック" (proportional) at the given pixel height.
QFont ProportionalGothicFont(int pixelSize);
// "ＭＳ ゴシック" (fixed pitch) at the given pixel height.
QFont GothicFont(int pixelSize);
