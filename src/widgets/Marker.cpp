#include "widgets/Marker.h"

#include <QPainter>

TMarker::TMarker(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setMargin(0);
    setIndent(0);
    setAlignment(Qt::AlignCenter);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setColor(Qt::white);
    hide();
    // The caption's extent in the font plus the one-pixel frame on each side.
    adjustSize();
}

void TMarker::setColor(const QColor& color) {
    if (color == color_)
        return;
    color_ = color;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
}

void TMarker::setHollow(bool hollow) {
    if (hollow == hollow_)
        return;
    hollow_ = hollow;
    setAutoFillBackground(!hollow);
    update();
}

void TMarker::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hollow_)
        return;
    QPainter p(this);
    p.setPen(QPen(color_, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(1, 1, -2, -2));
}
