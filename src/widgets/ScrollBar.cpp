#include "widgets/ScrollBar.h"
#include "widgets/AccessibleNames.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
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
