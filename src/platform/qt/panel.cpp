#include "platform/qt/panel.h"

#include <QPainter>
#include <qdrawutil.h>

TPanel::TPanel(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPanel::SetColor(TColor color)
{
    if (color == color_)
        return;
    color_ = color;
    update();
}

void TPanel::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void TPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QBrush fill(ToQColor(color_));
    qDrawShadePanel(&painter, rect(), palette(), false, 1, &fill);
    if (!caption_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter, caption_);
    }
}
