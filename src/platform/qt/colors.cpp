#include "platform/qt/colors.h"

#include <QGuiApplication>
#include <QPalette>

QColor ToQColor(TColor color)
{
    if ((color & clSystemColor) == clSystemColor) {
        const QPalette palette = QGuiApplication::palette();
        switch (color) {
        case clWindowText:
            return palette.color(QPalette::WindowText);
        case clBtnFace:
        default:
            return palette.color(QPalette::Button);
        }
    }
    const auto bits = static_cast<unsigned>(color);
    return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                  static_cast<int>((bits >> 16) & 0xFFu));
}
