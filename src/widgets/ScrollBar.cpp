#include "widgets/ScrollBar.h"
#include "widgets/AccessibleNames.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace {

// The bar read as a slider whose value is what it stands for (a place in
// metres, upside up), its text that value in words.
class TScrollBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TScrollBarAccessible(TScrollBar* bar) : QAccessibleWidget(bar, QAccessible::Slider) {}
    TScrollBar* bar() const { return static_cast<TScrollBar*>(widget()); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return bar()->accessibleValueText ? bar()->accessibleValueText(bar()->position())
                                              : QString::number(currentValue().toDouble());
        return QAccessibleWidget::text(t);
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QVariant currentValue() const override {
        const TScrollBar* b = bar();
        return b->accessibleValue ? b->accessibleValue(b->position()) : double(b->position());
    }
    void setCurrentValue(const QVariant&) override {} // moved by its keys, not by readers
    QVariant maximumValue() const override {
        const TScrollBar* b = bar();
        return b->accessibleValue ? b->accessibleMaximum : double(b->maximum());
    }
    QVariant minimumValue() const override {
        const TScrollBar* b = bar();
        return b->accessibleValue ? b->accessibleMinimum : double(b->minimum());
    }
    QVariant minimumStepSize() const override {
        const TScrollBar* b = bar();
        return b->accessibleValue ? b->accessibleStep : 1.0;
    }
};

QAccessibleInterface* ScrollBarAccessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("TScrollBar") && object && object->isWidgetType())
        return new TScrollBarAccessible(static_cast<TScrollBar*>(object));
    return nullptr;
}

} // namespace

TScrollBar::TScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    static const bool readable = (QAccessible::installFactory(ScrollBarAccessibleFactory), true);
    (void)readable;
    // A tab stop that also takes the focus when clicked, as the platform's bars do.
    setFocusPolicy(Qt::StrongFocus);
    setSingleStep(1);
    setPageStep(1);
    lastValue_ = value();
    connect(this, &QAbstractSlider::valueChanged, this, &TScrollBar::valueChangedTo);
    // actionTriggered comes after the slider position has moved but before it
    // becomes the value, which is where the scroll hook may overrule it.
    connect(this, &QAbstractSlider::actionTriggered, this, &TScrollBar::actionAboutToApply);
}

void TScrollBar::setPosition(int pos) {
    setValue(std::clamp(pos, minimum(), maximum()));
}

void TScrollBar::valueChangedTo(int value) {
    // QAbstractSlider can report its unchanged value again when only the
    // slider position differed; the hook wants real changes only.
    if (value == lastValue_)
        return;
    lastValue_ = value;
    if (onChange)
        onChange();
    // Readers hear the new value as they hear it read, in its own unit.
    if (accessibleValue)
        AnnounceValue(this, accessibleValue(value));
}

void TScrollBar::actionAboutToApply(int action) {
    if (!onScroll)
        return;
    int pos = sliderPosition();
    onScroll(action, pos);
    if (pos != sliderPosition())
        setSliderPosition(pos);
}

namespace {

// Whether two options draw the same track: everything but where the thumb is.
bool SameTrack(const QStyleOptionSlider& a, const QStyleOptionSlider& b) {
    return a.rect == b.rect && a.state == b.state && a.direction == b.direction &&
           a.orientation == b.orientation && a.minimum == b.minimum && a.maximum == b.maximum &&
           a.pageStep == b.pageStep && a.singleStep == b.singleStep && a.upsideDown == b.upsideDown;
}

} // namespace

bool TScrollBar::event(QEvent* event) {
    const bool done = QScrollBar::event(event);
    // It paints every pixel, the window's face under the style's drawing
    // included, so nothing behind it is repainted when its value changes.
    // Styles clear the attribute as they polish a widget: it is set after.
    if (event->type() == QEvent::Polish || event->type() == QEvent::StyleChange)
        setAttribute(Qt::WA_OpaquePaintEvent);
    return done;
}

void TScrollBar::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (PaintAtRest(painter))
        return;
    // Pressed, under the pointer or in a fading style, the bar shows states
    // only QScrollBar knows: it draws itself over the window's face.
    painter.fillRect(rect(), palette().brush(QPalette::Window));
    painter.end();
    QScrollBar::paintEvent(event);
}

QRect TScrollBar::ThumbAt(const QStyleOptionSlider& option) const {
    // Styles draw a thumb's edge or shadow a pixel or two outside its
    // rectangle: the picture takes a margin of what it drew there, but not
    // over the arrows, which are drawn after the thumb.
    const auto part = [&](QStyle::SubControl which) {
        return style()->subControlRect(QStyle::CC_ScrollBar, &option, which, this);
    };
    return part(QStyle::SC_ScrollBarSlider).adjusted(-2, -2, 2, 2) &
           part(QStyle::SC_ScrollBarGroove);
}

bool TScrollBar::PaintAtRest(QPainter& painter) {
    if (underMouse() || isSliderDown() || QApplication::mouseButtons() != Qt::NoButton)
        return false;
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_All;
    option.activeSubControls = QStyle::SC_None;
    if (style()->styleHint(QStyle::SH_ScrollBar_Transient, &option, this))
        return false;
    // At either end the thumb touches an arrow, whose edge the style blends
    // over it: drawn whole there.
    if (option.sliderValue <= option.minimum || option.sliderValue >= option.maximum)
        return false;
    const qreal ratio = devicePixelRatioF();
    if (rest_.track.isNull() || !SameTrack(rest_.option, option) ||
        rest_.palette != palette().cacheKey() || rest_.style != style() ||
        rest_.track.devicePixelRatio() != ratio) {
        rest_.option = option;
        rest_.palette = palette().cacheKey();
        rest_.style = style();
        rest_.track = QImage(size() * ratio, QImage::Format_RGB32);
        rest_.track.setDevicePixelRatio(ratio);
        QImage thumb(size() * ratio, QImage::Format_ARGB32_Premultiplied);
        thumb.setDevicePixelRatio(ratio);
        thumb.fill(Qt::transparent);
        {
            QPainter p(&rest_.track);
            p.fillRect(rect(), palette().brush(QPalette::Window));
            QStyleOptionSlider track = option;
            track.subControls &= ~QStyle::SC_ScrollBarSlider;
            style()->drawComplexControl(QStyle::CC_ScrollBar, &track, &p, this);
            QPainter q(&thumb);
            QStyleOptionSlider alone = option;
            alone.subControls = QStyle::SC_ScrollBarSlider;
            style()->drawComplexControl(QStyle::CC_ScrollBar, &alone, &q, this);
        }
        const QRect at = ThumbAt(option);
        rest_.thumb = thumb.copy(QRect(at.topLeft() * ratio, at.size() * ratio));
        rest_.thumb.setDevicePixelRatio(ratio);
    }
    painter.drawImage(0, 0, rest_.track);
    painter.drawImage(ThumbAt(option).topLeft(), rest_.thumb);
    return true;
}

void TScrollBar::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    if (onKeyDown) {
        onKeyDown(key, event->modifiers());
        if (key == 0) {
            event->accept();
            return;
        }
    }
    // Spelled out rather than left to QAbstractSlider, whose arrow keys follow
    // the style and the orientation: here lower keys always mean lower values.
    SliderAction action = SliderNoAction;
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        action = SliderSingleStepSub;
        break;
    case Qt::Key_Right:
    case Qt::Key_Down:
        action = SliderSingleStepAdd;
        break;
    case Qt::Key_PageUp:
        action = SliderPageStepSub;
        break;
    case Qt::Key_PageDown:
        action = SliderPageStepAdd;
        break;
    case Qt::Key_Home:
        action = SliderToMinimum;
        break;
    case Qt::Key_End:
        action = SliderToMaximum;
        break;
    default:
        event->ignore();
        return;
    }
    triggerAction(action);
    event->accept();
}

void TScrollBar::focusOutEvent(QFocusEvent* event) {
    QScrollBar::focusOutEvent(event);
    if (onExit)
        onExit();
}

void TScrollBar::wheelEvent(QWheelEvent* event) {
    // The main window decides what a wheel notch does; let it travel on.
    event->ignore();
}
