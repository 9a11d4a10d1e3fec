#include "widgets/HintWindow.h"

#include <QPainter>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace {

// Border and the room between it and the text.
constexpr int Border = 1;
constexpr int PadX = 2;
constexpr int PadY = 1;

// Lays text out in lines at most width wide; returns the size the lines take.
QSize LayOutText(QTextLayout& layout, int width) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
        widest = std::max(widest, line.naturalTextWidth());
    }
    layout.endLayout();
    return QSize(static_cast<int>(std::ceil(widest)), static_cast<int>(std::ceil(y)));
}

} // namespace

THintWindow::THintWindow(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
}

QRect THintWindow::calcHintRect(int maxWidth, const QString& text) const {
    const int margins = 2 * (Border + PadX);
    QTextLayout layout(text, font());
    const QSize size = LayOutText(layout, std::max(1, maxWidth - margins));
    return QRect(0, 0, size.width() + margins, size.height() + 2 * (Border + PadY));
}

void THintWindow::activateHint(const QRect& rect, const QString& text) {
    text_ = text;
    setGeometry(rect);
    show();
    update();
}

void THintWindow::releaseHandle() {
    hide();
}

void THintWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::ToolTipText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    QTextLayout layout(text_, font());
    LayOutText(layout, std::max(1, width() - 2 * (Border + PadX)));
    layout.draw(&p, QPointF(Border + PadX, Border + PadY));
}
