#pragma once
// The system's text is Shift-JIS bytes; widgets speak QString. Conversion
// happens here and only at the widget boundary.

#include <QString>

#include <string>

QString FromSjis(const std::string& sjis);
std::string ToSjis(const QString& text);
