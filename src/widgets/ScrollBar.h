// A scroll bar with the program's hooks: a change hook that runs inside the
// position setter, a scroll hook that can alter what the bar's own scrolling
// applies, a key hook that can consume keys, and a focus-loss hook.
#pragma once

#include <QImage>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <functional>

class TScrollBar : public QScrollBar {
    Q_OBJECT
public:
    explicit TScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    int position() const { return value(); }
    // Clamps into [minimum, maximum]; onChange runs before this returns, and
    // only when the value really changed.
    void setPosition(int pos);

    // After every real change of the value, whoever made it.
    std::function<void()> onChange;
    // The bar's own scrolling (buttons, page clicks, thumb, keys), with the new
    // position before it is applied; scrollCode is a QAbstractSlider::SliderAction.
    std::function<void(int scrollCode, int& scrollPos)> onScroll;
    // First look at every key (a Qt key code); setting it to 0 consumes it.
    std::function<void(int& key, Qt::KeyboardModifiers mods)> onKeyDown;
    // The bar lost the keyboard focus.
    std::function<void()> onExit;

    // What a screen reader hears as the bar's value: a number (say metres)
    // for a position, and that value in words. Unset: the position itself.
    std::function<double(int position)> accessibleValue;
    std::function<QString(int position)> accessibleValueText;
    double accessibleMinimum = 0, accessibleMaximum = 0, accessibleStep = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The bar at rest as two pictures: its track and arrows over the window's
    // face, and its thumb. A moving source's bars change ten times a second,
    // and the style's gradients cost far more than copying these.
    struct TRestLook {
        QStyleOptionSlider option; // as drawn, thumb position aside
        qint64 palette = 0;
        const QStyle* style = nullptr;
        QImage track; // opaque
        QImage thumb; // only the thumb, cut to its rectangle
    };
    TRestLook rest_;
    bool PaintAtRest(QPainter& painter);
    QRect ThumbAt(const QStyleOptionSlider& option) const;
    void valueChangedTo(int value);
    void actionAboutToApply(int action);

    int lastValue_ = 0;
};
