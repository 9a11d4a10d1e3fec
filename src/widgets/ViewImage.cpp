#include "widgets/ViewImage.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

TViewImage::TViewImage(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    // Every pixel comes from the picture laid over the panel's face once, so
    // Qt paints nothing under the view when markers move across it.
    setAttribute(Qt::WA_OpaquePaintEvent);
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
    DrawPaths();
    Compose();
    update();
}

void TViewImage::SetBand(const QRect& band) {
    const QRect shown = band.isEmpty() ? QRect() : band;
    if (shown == band_)
        return;
    band_ = shown;
    update();
}

void TViewImage::SetPaths(const QList<QPolygon>& paths) {
    if (paths == paths_)
        return;
    paths_ = paths;
    DrawPaths();
    Compose();
    update();
}

void TViewImage::DrawPaths() {
    withPaths_ = QImage();
    if (paths_.isEmpty() || masked_.isNull())
        return;
    withPaths_ = masked_.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // Faint: the figure and the markers stay what the eye goes to.
    QColor faint = palette().color(QPalette::Highlight);
    faint.setAlpha(80);
    QPainter p(&withPaths_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(faint, 1));
    for (const QPolygon& path : paths_)
        p.drawPolyline(path);
}

void TViewImage::Compose() {
    shown_ = QImage(size(), QImage::Format_RGB32);
    if (shown_.isNull())
        return;
    QPainter p(&shown_);
    p.fillRect(shown_.rect(), palette().brush(QPalette::Window));
    const QImage& over = withPaths_.isNull() ? masked_ : withPaths_;
    if (!over.isNull())
        p.drawImage(0, 0, over);
}

void TViewImage::resizeEvent(QResizeEvent*) {
    Compose();
}

void TViewImage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        DrawPaths();
        Compose();
        update();
    }
    QWidget::changeEvent(event);
}

void TViewImage::SetLine(const QLine& line) {
    if (line == line_)
        return;
    line_ = line;
    update();
}

void TViewImage::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    // The paths and the panel's face are in the picture already, not drawn
    // on every repaint: the markers move over them up to 30 times a second,
    // and only the rectangles they left and entered are copied again, with
    // no blending.
    for (const QRect& r : event->region())
        p.drawImage(r.topLeft(), shown_, r);
    if (!line_.isNull()) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(line_);
        p.restore();
    }
    if (band_.isEmpty())
        return;
    // Every other pixel of the frame, each once, inverted: visible on the
    // panel's face and on the white figure alike.
    QList<QPoint> dots;
    auto dot = [&dots](int x, int y) {
        if ((x + y) % 2 == 0)
            dots.append(QPoint(x, y));
    };
    const int l = band_.left(), t = band_.top(), r = band_.right(), b = band_.bottom();
    for (int x = l; x <= r; ++x) {
        dot(x, t);
        if (b != t)
            dot(x, b);
    }
    for (int y = t + 1; y < b; ++y) {
        dot(l, y);
        if (r != l)
            dot(r, y);
    }
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::black, 1));
    p.drawPoints(dots.constData(), static_cast<int>(dots.size()));
}

void TViewImage::mousePressEvent(QMouseEvent* event) {
    if (onMouseDown)
        onMouseDown(event->button(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}

void TViewImage::mouseMoveEvent(QMouseEvent* event) {
    if (onMouseMove)
        onMouseMove(event->buttons(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
}

void TViewImage::mouseReleaseEvent(QMouseEvent* event) {
    if (onMouseUp)
        onMouseUp(event->button(), event->buttons(), event->modifiers(),
                  event->position().toPoint().x(), event->position().toPoint().y());
}
