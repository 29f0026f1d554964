#include "platform/qt/label.h"

#include <algorithm>

TLabel::TLabel(QWidget* parent) : QLabel(parent)
{
    // Captions are our own texts, never markup.
    setTextFormat(Qt::PlainText);
}

void TLabel::SetCaption(const QString& caption)
{
    setText(caption);
    resize(std::max(sizeHint().width(), 1), height());
}

void TLabel::Place(const QRect& designed)
{
    setGeometry(designed);
    resize(std::max(sizeHint().width(), 1), height());
}
