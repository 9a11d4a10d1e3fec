// A scroll bar with the program's hooks: a change hook that runs inside the
// position setter, a scroll hook that can alter what the bar's own scrolling
// applies, a key hook that can consume keys, and a focus-loss hook.
#pragma once

#include <QScrollBar>
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

private:
    void valueChangedTo(int value);
    void actionAboutToApply(int action);

    int lastValue_ = 0;
};
