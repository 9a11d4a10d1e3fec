// A tooltip-style window of its own that the owner places and fills: unlike
// QToolTip it appears exactly where it is put, stays until it is hidden, and
// can measure its text before it is shown.
#pragma once

#include <QString>
#include <QWidget>

class THintWindow : public QWidget {
    Q_OBJECT
public:
    // A top-level window owned by owner (destroyed with it), in the system's
    // tooltip colours and font.
    explicit THintWindow(QWidget* owner);

    // The size the text needs, as a rectangle at (0, 0), when the window may
    // be at most maxWidth wide: longer text wraps, at spaces where it can.
    QRect calcHintRect(int maxWidth, const QString& text) const;
    // Shows text in rect, in screen coordinates.
    void activateHint(const QRect& rect, const QString& text);
    // Hides the window.
    void releaseHandle();

    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};
