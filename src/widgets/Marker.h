// A channel's numbered marker in a plane view: a small framed caption that
// takes no input, so presses on it reach the view underneath.
#pragma once

#include <QColor>
#include <QLabel>

class TMarker : public QLabel {
    Q_OBJECT
public:
    TMarker(const QString& caption, QWidget* parent);

    QColor color() const { return color_; }
    void setColor(const QColor& color);

private:
    QColor color_;
};
