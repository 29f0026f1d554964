#pragma once
// A raised panel filled with one colour, its caption centred. The colour is
// kept as the designer's value so that it can be compared exactly.

#include "platform/qt/colors.h"

#include <QWidget>

class TPanel final : public QWidget {
    Q_OBJECT
public:
    explicit TPanel(QWidget* parent = nullptr);

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor color_ = clBtnFace;
    QString caption_;
};
