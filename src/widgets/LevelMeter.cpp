#include "widgets/LevelMeter.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace {

constexpr int ClipLight = 12; // pixels, square, at the right end

class TLevelMeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TLevelMeterAccessible(TLevelMeter* meter)
        : QAccessibleWidget(meter, QAccessible::ProgressBar) {}
    TLevelMeter* meter() const { return static_cast<TLevelMeter*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return meter()->ValueText();
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    // The last peak, at the floor for silence.
    QVariant currentValue() const override {
        const double db = meter()->Ballistics().PeakDb();
        return std::round(std::max(db, TMeterBallistics::FloorDb) * 10) / 10;
    }
    void setCurrentValue(const QVariant&) override {} // read only
    QVariant maximumValue() const override { return 0.0; }
    QVariant minimumValue() const override { return TMeterBallistics::FloorDb; }
    QVariant minimumStepSize() const override { return 0.1; }
};

QAccessibleInterface* LevelMeterAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TLevelMeter") && object && object->isWidgetType())
        return new TLevelMeterAccessible(static_cast<TLevelMeter*>(object));
    return nullptr;
}

} // namespace

TLevelMeter::TLevelMeter(QWidget* parent) : QWidget(parent) {
    static const bool readable = (QAccessible::installFactory(LevelMeterAccessibleFactory), true);
    (void)readable;
    setFocusPolicy(Qt::TabFocus);
    setMinimumWidth(160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize TLevelMeter::sizeHint() const {
    return {240, 18};
}

void TLevelMeter::Feed(uint32_t level, double now) {
    ballistics_.Feed(level, now);
    if (PixelOf(ballistics_.BarDb()) != drawnBar_ || PixelOf(ballistics_.HoldDb()) != drawnHold_ ||
        ballistics_.Clipped() != drawnClip_)
        update();
}

void TLevelMeter::ResetClip() {
    ballistics_.ResetClip();
    update();
}

QString TLevelMeter::ValueText() const {
    const double db = ballistics_.PeakDb();
    if (std::isinf(db))
        return tr("無音");
    const QString value = QLocale().toString(std::round(db * 10) / 10, 'f', 1);
    return ballistics_.Clipped() ? tr("%1 dBFS、クリップ").arg(value) : tr("%1 dBFS").arg(value);
}

QRect TLevelMeter::ClipLightRect() const {
    return {width() - ClipLight - 1, (height() - ClipLight) / 2, ClipLight, ClipLight};
}

int TLevelMeter::PixelOf(double db) const {
    const int span = width() - ClipLight - 6;
    const double f = (std::clamp(db, TMeterBallistics::FloorDb, 0.0) - TMeterBallistics::FloorDb) /
                     -TMeterBallistics::FloorDb;
    return static_cast<int>(std::lround(f * span));
}

void TLevelMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.window());
    const QRect bar(0, 2, width() - ClipLight - 6, height() - 4);
    p.fillRect(bar, QColor(24, 24, 24));
    drawnBar_ = PixelOf(ballistics_.BarDb());
    drawnHold_ = PixelOf(ballistics_.HoldDb());
    drawnClip_ = ballistics_.Clipped();
    // Green up to -12 dBFS, yellow to -3, red above.
    const struct {
        double from, to;
        QColor colour;
    } zones[] = {{TMeterBallistics::FloorDb, -12, QColor(40, 200, 60)},
                 {-12, -3, QColor(230, 200, 40)},
                 {-3, 0, QColor(230, 50, 40)}};
    for (const auto& z : zones) {
        const int a = PixelOf(z.from), b = std::min(PixelOf(z.to), drawnBar_);
        if (b > a)
            p.fillRect(QRect(bar.left() + a, bar.top(), b - a, bar.height()), z.colour);
    }
    if (ballistics_.HoldDb() > TMeterBallistics::FloorDb)
        p.fillRect(QRect(bar.left() + drawnHold_ - 1, bar.top(), 2, bar.height()), Qt::white);
    // The scale: a tick every 6 dB, longer at 0, -20 and -40.
    p.setPen(QColor(110, 110, 110));
    for (int db = 0; db >= TMeterBallistics::FloorDb; db -= 6) {
        const int x = bar.left() + PixelOf(db);
        p.drawLine(x, bar.bottom() - 2, x, bar.bottom());
    }
    for (int db : {0, -20, -40}) {
        const int x = bar.left() + PixelOf(db);
        p.drawLine(x, bar.top(), x, bar.bottom());
    }
    const QRect light = ClipLightRect();
    p.fillRect(light, drawnClip_ ? QColor(255, 30, 30) : QColor(70, 20, 20));
    p.setPen(pal.color(QPalette::WindowText));
    p.drawRect(light.adjusted(0, 0, -1, -1));
    if (hasFocus()) {
        p.setPen(QPen(pal.color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TLevelMeter::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton &&
        ClipLightRect().adjusted(-3, -3, 3, 3).contains(event->position().toPoint()))
        ResetClip();
    QWidget::mousePressEvent(event);
}

void TLevelMeter::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        ResetClip();
        return;
    }
    QWidget::keyPressEvent(event);
}
