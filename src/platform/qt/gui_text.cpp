#include "platform/qt/gui_text.h"

#include "platform/sjis.h"

QString FromSjis(const std::string& sjis)
{
    return QString::fromStdString(SjisToUtf8(sjis));
}

std::string ToSjis(const QString& text)
{
    return Utf8ToSjis(text.toStdString());
}
