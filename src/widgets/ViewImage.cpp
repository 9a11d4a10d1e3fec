#include "widgets/ViewImage.h"

#include <QMouseEvent>
#include <QPainter>

TViewImage::TViewImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TViewImage::SetPicture(const QImage& image) {
    picture_ = image.convertToFormat(QImage::Format_ARGB32);
    masked_ = picture_;
    const QRgb key = TransparentColor.rgb() & 0xffffff;
    for (int y = 0; y < masked_.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(masked_.scanLine(y));
        for (int x = 0; x < masked_.width(); ++x)
            if ((line[x] & 0xffffff) == key)
                line[x] = 0;
    }
    update();
}

void TViewImage::paintEvent(QPaintEvent*) {
    if (masked_.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, masked_);
}

void TViewImage::mousePressEvent(QMouseEvent* event) {
    if (onMouseDown)
        onMouseDown(event->button(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}

void TViewImage::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}

void TViewImage::mouseReleaseEvent(QMouseEvent* event) {
    if (onMouseUp)
        onMouseUp(event->button(), event->modifiers(), event->position().toPoint().x(),
                  event->position().toPoint().y());
}
