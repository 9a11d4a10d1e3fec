#include "app/ProgramIcon.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <cmath>
#include <numbers>

namespace {

const char* const IconResource = ":/icons/io.github.phonaraplayer.PhonaraPlayer.svg";

// Drawing SVG needs Qt's SVG icon engine, a plug-in a desktop may lack; the
// figure below is the SVG's, in its 128-unit frame, so that the window shows
// the same icon either way.
constexpr double Frame = 128;

QColor WithAlpha(const char* name, double alpha) {
    QColor c(name);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

// A wave: the short arc about a source's centre from one end to the other,
// turning clockwise on screen as the SVG's arcs do.
void DrawWave(QPainter& p, QPointF centre, QPointF from, QPointF to, const QColor& colour) {
    auto angle = [&](QPointF at) {
        return std::atan2(-(at.y() - centre.y()), at.x() - centre.x()) * 180 / std::numbers::pi;
    };
    const double r = std::hypot(from.x() - centre.x(), from.y() - centre.y());
    double sweep = angle(to) - angle(from);
    while (sweep > 180)
        sweep -= 360;
    while (sweep <= -180)
        sweep += 360;
    QPainterPath path(from);
    path.arcTo(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), angle(from), sweep);
    QPen pen(colour, 2.5);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

} // namespace

QImage DrawProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / Frame, size / Frame);
    const QPointF centre(64, 64);

    // The ground, and a glow around the listener.
    QLinearGradient ground(0, 8, 0, 120);
    ground.setColorAt(0, QColor("#33467d"));
    ground.setColorAt(1, QColor("#151c36"));
    p.setPen(Qt::NoPen);
    p.setBrush(ground);
    p.drawRoundedRect(QRectF(8, 8, 112, 112), 24, 24);
    QRadialGradient glow(centre, 52);
    glow.setColorAt(0, WithAlpha("#7f9cf5", 0.45));
    glow.setColorAt(1, WithAlpha("#7f9cf5", 0));
    p.setBrush(glow);
    p.drawEllipse(centre, 52, 52);

    // Rings of distance and the two axes.
    p.setBrush(Qt::NoBrush);
    for (const auto& [r, alpha] : {std::pair{20., .55}, {34., .35}, {48., .2}}) {
        p.setPen(QPen(WithAlpha("#8fa8f0", alpha), 2));
        p.drawEllipse(centre, r, r);
    }
    p.setPen(QPen(WithAlpha("#8fa8f0", .25), 1.5));
    p.drawLine(QPointF(64, 14), QPointF(64, 114));
    p.drawLine(QPointF(14, 64), QPointF(114, 64));

    // The listener: nose, ears and head, facing forward.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#f4f6fb"));
    p.drawPolygon(QPolygonF({QPointF(64, 43), QPointF(69, 51), QPointF(59, 51)}));
    p.drawEllipse(QPointF(52.5, 64), 3.5, 5.5);
    p.drawEllipse(QPointF(75.5, 64), 3.5, 5.5);
    p.drawEllipse(centre, 12, 12);

    // Three sources with the waves they send towards the listener.
    struct Source {
        QPointF corner;
        const char* colour;
        QPointF near[2], far[2];
    };
    const Source sources[] = {
        {{86, 24}, "#ff6b6b", {{90.8, 47.4}, {80.6, 37.2}}, {{89.1, 53.2}, {74.8, 38.9}}},
        {{20, 30}, "#ffd25e", {{43.9, 40.8}, {35.5, 52.5}}, {{49.8, 41.5}, {38.1, 57.9}}},
        {{84, 86}, "#5fd3ff", {{78.8, 90.3}, {89.3, 80.5}}, {{73.1, 88.4}, {87.8, 74.7}}},
    };
    for (const Source& s : sources) {
        const QPointF middle = s.corner + QPointF(9, 9);
        DrawWave(p, middle, s.near[0], s.near[1], QColor(s.colour));
        DrawWave(p, middle, s.far[0], s.far[1], WithAlpha(s.colour, 0.6));
    }
    p.setPen(Qt::NoPen);
    for (const Source& s : sources) {
        p.setBrush(QColor(s.colour));
        p.drawRoundedRect(QRectF(s.corner, QSizeF(18, 18)), 4, 4);
        p.setBrush(QColor("#151c36"));
        p.drawRoundedRect(QRectF(s.corner + QPointF(5, 5), QSizeF(8, 8)), 1.5, 1.5);
    }
    return image;
}

QIcon ProgramIcon() {
    const QIcon shipped(IconResource);
    if (!shipped.pixmap(32).isNull())
        return shipped;
    QIcon drawn;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        drawn.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
    return drawn;
}
