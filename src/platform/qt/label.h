#pragma once
// A label that sizes itself to its text, as the counter captions need: they
// widen when a number is appended. The left and top edges stay put.

#include <QLabel>

class TLabel final : public QLabel {
    Q_OBJECT
public:
    explicit TLabel(QWidget* parent = nullptr);

    QString Caption() const { return text(); }
    void SetCaption(const QString& caption);
    // Geometry as designed, then fitted to the caption's width.
    void Place(const QRect& designed);
};
