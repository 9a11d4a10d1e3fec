#include "widgets/StringGrid.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <stdexcept>

#include "widgets/StringGridAccessible.h"

namespace {

// The message the original grid raised for a bad index; kept so that a
// report reads the same.
const char* const IndexOutOfRange = "グリッドインデックス が範囲を超えています";

// A press within this many pixels of a column boundary in the header sizes
// the column instead of selecting.
constexpr int SizingZone = 3;
constexpr int AutoScrollMs = 60;
constexpr int WheelNotch = 120;

const QColor FixedLineColor(0, 0, 0);
const QColor LineColor(192, 192, 192);

} // namespace

TStringGrid::TStringGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    static const bool readable = (QAccessible::installFactory(StringGridAccessibleFactory), true);
    (void)readable;
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    colWidths_.assign(colCount_, 64);
    cells_.assign(static_cast<size_t>(colCount_ * rowCount_), QString());
    horizontalScrollBar()->setSingleStep(16);
    verticalScrollBar()->setSingleStep(1);
    autoScroll_.setInterval(AutoScrollMs);
    connect(&autoScroll_, &QTimer::timeout, this, &TStringGrid::autoScrollTick);
    // The grid is one control: a wheel over its own scroll bars steps the
    // current row like a wheel over the cells.
    horizontalScrollBar()->installEventFilter(this);
    verticalScrollBar()->installEventFilter(this);
    updateScrollBars();
}

// ---- Layout -------------------------------------------------------------

void TStringGrid::setColCount(int count) {
    count = std::max(count, fixedCols());
    if (count == colCount_)
        return;
    std::vector<QString> cells(static_cast<size_t>(count * rowCount_));
    for (int r = 0; r < rowCount_; ++r)
        for (int c = 0; c < std::min(count, colCount_); ++c)
            cells[static_cast<size_t>(r * count + c)] =
                std::move(cells_[static_cast<size_t>(r * colCount_ + c)]);
    cells_ = std::move(cells);
    colWidths_.resize(static_cast<size_t>(count), 64);
    colCount_ = count;
    col_ = std::clamp(col_, std::min(fixedCols(), colCount_ - 1), colCount_ - 1);
    updateScrollBars();
    viewport()->update();
}

void TStringGrid::setRowCount(int count) {
    count = std::max(count, fixedRows());
    if (count == rowCount_)
        return;
    cells_.resize(static_cast<size_t>(colCount_ * count));
    rowCount_ = count;
    row_ = std::min(row_, rowCount_ - 1);
    updateScrollBars();
    viewport()->update();
}

int TStringGrid::colWidth(int col) const {
    if (col < 0 || col >= colCount_)
        throw std::out_of_range(IndexOutOfRange);
    return colWidths_[static_cast<size_t>(col)];
}

void TStringGrid::setColWidth(int col, int width) {
    if (col < 0 || col >= colCount_)
        throw std::out_of_range(IndexOutOfRange);
    width = std::max(width, 0);
    if (colWidths_[static_cast<size_t>(col)] == width)
        return;
    colWidths_[static_cast<size_t>(col)] = width;
    if (painting_) {
        // The owner sizes columns from its drawing. Showing or hiding a scroll
        // bar resizes the viewport, which must not happen in its paint event.
        QMetaObject::invokeMethod(this, &TStringGrid::updateScrollBars, Qt::QueuedConnection);
    } else {
        updateScrollBars();
    }
    viewport()->update();
}

void TStringGrid::setDefaultRowHeight(int height) {
    height = std::max(height, 1);
    if (height == rowHeight_)
        return;
    rowHeight_ = height;
    updateScrollBars();
    viewport()->update();
}

int TStringGrid::fixedWidth() const {
    return colWidths_[0] + gridLineWidth();
}

// Left edge of a column in viewport coordinates; non-fixed columns scroll
// by the horizontal bar's pixels and slide under the fixed column.
int TStringGrid::colX(int col) const {
    if (col == 0)
        return 0;
    int x = fixedWidth() - horizontalScrollBar()->value();
    for (int c = 1; c < col; ++c)
        x += colWidths_[static_cast<size_t>(c)] + gridLineWidth();
    return x;
}

// Top edge of a row in viewport coordinates; non-fixed rows scroll by whole
// rows, so rows above topRow() get negative positions.
int TStringGrid::rowY(int row) const {
    if (row == 0)
        return 0;
    return fixedHeight() + (row - topRow_) * rowPitch();
}

int TStringGrid::rowCapacity() const {
    return std::max(0, (viewport()->height() - fixedHeight()) / rowPitch());
}

int TStringGrid::maxTopRow() const {
    return std::max(fixedRows(), rowCount_ - rowCapacity());
}

int TStringGrid::visibleRowCount() const {
    return std::max(0, std::min(rowCapacity(), rowCount_ - topRow_));
}

void TStringGrid::setTopRow(int row) {
    row = std::clamp(row, fixedRows(), maxTopRow());
    if (row == topRow_)
        return;
    topRow_ = row;
    verticalScrollBar()->setValue(row);
    viewport()->update();
}

int TStringGrid::clientWidth() const {
    return viewport()->width();
}

void TStringGrid::invalidate() {
    viewport()->update();
}

QPoint TStringGrid::mouseToCell(QPoint p) const {
    QPoint cell(-1, -1);
    const QSize size = viewport()->size();
    if (p.x() >= 0 && p.x() < size.width()) {
        // A cell owns the grid line to its right and below it.
        if (p.x() < fixedWidth()) {
            cell.setX(0);
        } else {
            for (int c = 1; c < colCount_; ++c) {
                const int x = colX(c);
                if (p.x() >= x &&
                    p.x() < x + colWidths_[static_cast<size_t>(c)] + gridLineWidth()) {
                    cell.setX(c);
                    break;
                }
            }
        }
    }
    if (p.y() >= 0 && p.y() < size.height()) {
        if (p.y() < fixedHeight()) {
            cell.setY(0);
        } else {
            const int r = topRow_ + (p.y() - fixedHeight()) / rowPitch();
            if (r < rowCount_)
                cell.setY(r);
        }
    }
    return cell;
}

QRect TStringGrid::cellRect(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        return {};
    if (row >= fixedRows() && row < topRow_)
        return {};
    const QRect rect(colX(col), rowY(row), colWidths_[static_cast<size_t>(col)], rowHeight_);
    if (rect.top() >= viewport()->height() || rect.left() >= viewport()->width())
        return {};
    if (col >= fixedCols() && rect.right() + gridLineWidth() < fixedWidth())
        return {};
    return rect;
}

void TStringGrid::updateScrollBars() {
    // Setting a range can make Qt lay the bars out again, which resizes the
    // viewport and comes back here; settle that in a loop, not recursively.
    if (updatingBars_) {
        barsDirty_ = true;
        return;
    }
    updatingBars_ = true;
    for (int pass = 0; pass < 4; ++pass) {
        barsDirty_ = false;
        applyScrollRanges();
        if (!barsDirty_)
            break;
    }
    updatingBars_ = false;
}

void TStringGrid::applyScrollRanges() {
    QScrollBar* v = verticalScrollBar();
    v->setPageStep(std::max(1, rowCapacity()));
    v->setRange(fixedRows(), maxTopRow());
    topRow_ = std::clamp(topRow_, fixedRows(), maxTopRow());
    v->setValue(topRow_);

    int contentWidth = 0;
    for (int c = fixedCols(); c < colCount_; ++c)
        contentWidth += colWidths_[static_cast<size_t>(c)] + gridLineWidth();
    // The line after the last column may fall outside: a last column that
    // exactly fills the rest of the width needs no scrolling.
    contentWidth = std::max(0, contentWidth - gridLineWidth());
    const int room = std::max(0, viewport()->width() - fixedWidth());
    QScrollBar* h = horizontalScrollBar();
    h->setPageStep(std::max(1, room));
    h->setRange(0, std::max(0, contentWidth - room));
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TStringGrid::scrollContentsBy(int, int dy) {
    if (dy != 0)
        topRow_ = verticalScrollBar()->value();
    viewport()->update();
}

// ---- Cells and the current row -----------------------------------------

void TStringGrid::checkCell(int col, int row) const {
    if (col < 0 || col >= colCount_ || row < 0 || row >= rowCount_)
        throw std::out_of_range(IndexOutOfRange);
}

QString TStringGrid::cell(int col, int row) const {
    checkCell(col, row);
    return cells_[static_cast<size_t>(row * colCount_ + col)];
}

void TStringGrid::setCell(int col, int row, const QString& text) {
    checkCell(col, row);
    QString& stored = cells_[static_cast<size_t>(row * colCount_ + col)];
    if (stored == text)
        return;
    stored = text;
    const QRect rect = cellRect(col, row);
    if (!rect.isEmpty())
        viewport()->update(rect);
    if (row >= fixedRows())
        announce(QAccessible::NameChanged, col, row);
}

void TStringGrid::announce(QAccessible::Event what, int col, int row) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(this, what);
    event.setChild((row - fixedRows()) * colCount_ + col);
    QAccessible::updateAccessibility(&event);
}

void TStringGrid::setRow(int row) {
    if (row < 0 || row >= rowCount_)
        throw std::out_of_range(IndexOutOfRange);
    moveCurrent(col_, row, false);
}

void TStringGrid::setCurrentRowSilently(int row) {
    if (row < 0 || row > rowCount_)
        throw std::out_of_range(IndexOutOfRange);
    row_ = row;
    viewport()->update();
}

bool TStringGrid::moveCurrent(int col, int row, bool evenIfSame) {
    if (row == row_ && !evenIfSame)
        return false;
    bool canSelect = true;
    if (selectCell)
        selectCell(col, row, canSelect);
    if (!canSelect)
        return false;
    col_ = col;
    row_ = row;
    scrollIntoView(row);
    viewport()->update();
    // A reader follows the current row as the keys move it.
    if (hasFocus())
        announce(QAccessible::Focus, focusColumn(), row);
    return true;
}

void TStringGrid::scrollIntoView(int row) {
    if (row < fixedRows() || row >= rowCount_)
        return;
    if (row < topRow_) {
        setTopRow(row);
        return;
    }
    const int shown = std::max(1, rowCapacity());
    if (row > topRow_ + shown - 1)
        setTopRow(row - shown + 1);
}

void TStringGrid::stepRow(int delta) {
    if (rowCount_ <= fixedRows())
        return;
    const int target = std::clamp(row_ + delta, fixedRows(), lastDataRow());
    moveCurrent(col_, target, false);
}

// ---- Painting -----------------------------------------------------------

void TStringGrid::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const int width = viewport()->width();
    const int height = viewport()->height();
    const int line = gridLineWidth();
    const QRect scrollingPart(fixedWidth(), 0, std::max(0, width - fixedWidth()), height);

    // Positions are taken once: the owner may resize columns while drawing,
    // which schedules another paint rather than shifting this one.
    std::vector<int> rows{0};
    for (int r = topRow_; r < rowCount_ && rowY(r) < height; ++r)
        rows.push_back(r);
    std::vector<std::pair<int, int>> cols{{0, 0}}; // column, left edge
    for (int c = fixedCols(); c < colCount_; ++c) {
        const int x = colX(c);
        if (x >= width)
            break;
        if (x + colWidths_[static_cast<size_t>(c)] + line > fixedWidth())
            cols.emplace_back(c, x);
    }
    const std::vector<int> widths = colWidths_;

    painting_ = true;
    for (int r : rows) {
        const int y = rowY(r);
        for (auto [c, x] : cols) {
            const int w = widths[static_cast<size_t>(c)];
            const QRect rect(x, y, w, rowHeight_);
            const bool fixed = r < fixedRows() || c < fixedCols();
            p.save();
            if (c >= fixedCols())
                p.setClipRect(scrollingPart);
            if (drawCell) {
                drawCell(p, c, r, rect);
            } else {
                p.fillRect(rect, palette().color(fixed ? QPalette::Button : QPalette::Base));
                p.setPen(palette().color(QPalette::Text));
                p.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           cells_[static_cast<size_t>(r * colCount_ + c)]);
            }
            p.restore();
            // Lines after the cell, so that text running over its cell's edge
            // does not cut them.
            p.save();
            if (c >= fixedCols())
                p.setClipRect(scrollingPart);
            const QColor& color = fixed ? FixedLineColor : LineColor;
            p.fillRect(QRect(x + w, y, line, rowHeight_), color);
            p.fillRect(QRect(x, y + rowHeight_, w + line, line), color);
            p.restore();
        }
    }
    painting_ = false;
}

// ---- Mouse --------------------------------------------------------------

// The column whose right boundary in the header row lies within the sizing
// zone of p, or -1. On overlapping zones the nearer boundary wins, the right
// one on a tie, so that a column narrowed to nothing can be widened again.
int TStringGrid::sizingBoundaryAt(QPoint p) const {
    if (p.y() < 0 || p.y() >= fixedHeight())
        return -1;
    int best = -1;
    int bestDistance = SizingZone + 1;
    for (int c = 0; c < colCount_; ++c) {
        const int boundary = colX(c) + colWidths_[static_cast<size_t>(c)];
        if (c >= fixedCols() && boundary < fixedWidth())
            continue; // scrolled under the fixed column
        if (boundary > viewport()->width() + SizingZone)
            break;
        const int distance = std::abs(p.x() - boundary);
        if (distance <= bestDistance) {
            best = c;
            bestDistance = distance;
        }
    }
    return bestDistance <= SizingZone ? best : -1;
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const Qt::MouseButton button = event->button();
    setFocus(Qt::MouseFocusReason);
    if (button == Qt::LeftButton) {
        const int sizing = sizingBoundaryAt(pos);
        if (sizing >= 0) {
            // The owner does not see presses that start a column resize.
            sizingCol_ = sizing;
            sizingStartX_ = pos.x();
            sizingStartWidth_ = colWidth(sizing);
            event->accept();
            return;
        }
        const QPoint hit = mouseToCell(pos);
        if (hit.x() >= fixedCols() && hit.y() >= fixedRows()) {
            moveCurrent(hit.x(), hit.y(), true);
            selecting_ = true;
            lastMouse_ = pos;
            autoScroll_.start();
        }
    }
    if (mouseDown)
        mouseDown(button, event->modifiers(), pos.x(), pos.y());
    event->accept();
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (sizingCol_ >= 0) {
        const int width = std::max(1, sizingStartWidth_ + pos.x() - sizingStartX_);
        if (width != colWidth(sizingCol_)) {
            setColWidth(sizingCol_, width);
            emit columnResized(sizingCol_);
        }
    } else if (selecting_) {
        lastMouse_ = pos;
        // Rows follow the pointer wherever it is across; above and below the
        // rows the timer takes over.
        if (pos.y() >= fixedHeight() && pos.y() < viewport()->height()) {
            const int r = mouseToCell(QPoint(0, pos.y())).y();
            if (r >= fixedRows())
                moveCurrent(col_, r, false);
        }
    } else if (event->buttons() == Qt::NoButton) {
        if (sizingBoundaryAt(pos) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
    }
    if (mouseMove)
        mouseMove(event->modifiers(), pos.x(), pos.y());
    event->accept();
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        sizingCol_ = -1;
        selecting_ = false;
        autoScroll_.stop();
    }
    if (mouseUp)
        mouseUp(event->button(), event->modifiers(), pos.x(), pos.y());
    event->accept();
}

void TStringGrid::autoScrollTick() {
    if (!selecting_) {
        autoScroll_.stop();
        return;
    }
    int direction = 0;
    if (lastMouse_.y() < fixedHeight())
        direction = -1;
    else if (lastMouse_.y() >= fixedHeight() + visibleRowCount() * rowPitch())
        direction = 1;
    if (direction == 0 || rowCount_ <= fixedRows())
        return;
    setTopRow(topRow_ + direction);
    moveCurrent(col_, std::clamp(row_ + direction, fixedRows(), lastDataRow()), false);
}

// ---- Keys and wheel -----------------------------------------------------

void TStringGrid::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (keyDown) {
        keyDown(key, mods);
        if (key == 0) {
            event->accept();
            return;
        }
    }
    const bool ctrl = mods & Qt::ControlModifier;
    const int page = std::max(1, visibleRowCount());
    int top = topRow_;
    int target = row_;
    switch (key) {
    case Qt::Key_Up:
        (ctrl ? top : target) -= 1;
        break;
    case Qt::Key_Down:
        (ctrl ? top : target) += 1;
        break;
    case Qt::Key_PageUp:
        if (ctrl) {
            target = topRow_;
        } else {
            target -= page;
            top -= page;
        }
        break;
    case Qt::Key_PageDown:
        if (ctrl) {
            target = topRow_ + page - 1;
        } else {
            target += page;
            top += page;
        }
        break;
    case Qt::Key_Home:
        target = fixedRows();
        break;
    case Qt::Key_End:
        target = lastDataRow();
        break;
    case Qt::Key_Left:
        // Whole rows are selected, so sideways keys only scroll.
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        event->accept();
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        event->accept();
        return;
    default:
        event->ignore();
        return;
    }
    event->accept();
    setTopRow(top);
    if (rowCount_ > fixedRows())
        moveCurrent(col_, std::clamp(target, fixedRows(), lastDataRow()), false);
}

bool TStringGrid::event(QEvent* event) {
    // QAbstractScrollArea only handles the viewport's wheel events; the main
    // window hands the wheel to the focused control, which is the grid itself.
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        handleWheel(wheel, wheel->position().toPoint() - viewport()->pos());
        return true;
    }
    return QAbstractScrollArea::event(event);
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const auto* bar = static_cast<QWidget*>(watched);
        handleWheel(wheel,
                    viewport()->mapFrom(this, bar->mapTo(this, wheel->position().toPoint())));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void TStringGrid::wheelEvent(QWheelEvent* event) {
    handleWheel(event, event->position().toPoint());
}

void TStringGrid::handleWheel(QWheelEvent* event, QPoint pos) {
    // Fine-grained wheels report fractions of a notch; act on whole notches.
    wheelAccumulator_ += event->angleDelta().y();
    while (std::abs(wheelAccumulator_) >= WheelNotch) {
        const bool down = wheelAccumulator_ < 0;
        wheelAccumulator_ += down ? WheelNotch : -WheelNotch;
        bool handled = false;
        const auto& hook = down ? wheelDown : wheelUp;
        if (hook)
            hook(event->modifiers(), pos, handled);
        if (!handled)
            stepRow(down ? 1 : -1);
    }
    event->accept();
}
