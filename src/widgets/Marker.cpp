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
    update();
}

void TMarker::paintEvent(QPaintEvent*) {
    // A marker looks the same wherever it is: its face, frame and caption are
    // drawn once into a picture and copied from then on, as moving markers
    // repaint up to 30 times a second. The face is in the picture rather than
    // filled by Qt: a widget Qt fills counts as opaque, and Qt then cuts each
    // of 64 moving markers out of every region it repaints, which costs more
    // than painting the view under them.
    const TLook key{text(), color_.rgba(),      hollow_, size(), palette().cacheKey(),
                    font(), devicePixelRatioF()};
    if (look_.isNull() || !(key == lookKey_)) {
        look_ = QPixmap(size() * devicePixelRatioF());
        look_.setDevicePixelRatio(devicePixelRatioF());
        // Filled opaque, the picture is copied without blending.
        look_.fill(hollow_ ? QColor(Qt::transparent) : palette().color(backgroundRole()));
        QPainter p(&look_);
        // As the label draws itself: a plain one-pixel box in the text colour
        // and the caption centred.
        p.setPen(QPen(palette().color(QPalette::WindowText), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setFont(font());
        p.drawText(contentsRect(), Qt::AlignCenter, text());
        if (hollow_) {
            p.setPen(QPen(color_, 1));
            p.drawRect(rect().adjusted(1, 1, -2, -2));
        }
        lookKey_ = key;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, look_);
}
