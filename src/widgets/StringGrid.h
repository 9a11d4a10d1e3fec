// A string grid with one fixed header row and one fixed column, whole-row
// selection, column sizing in the header and drawing left to the owner.
//
// The owner hooks in where the program's handlers expect to: the select hook
// runs before the current row changes (and may refuse), the key and wheel
// hooks run before the grid's own navigation (and may consume it), and the
// mouse hooks see presses, moves and releases over the cells.
#pragma once

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

class TStringGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    static constexpr int fixedCols() { return 1; }
    static constexpr int fixedRows() { return 1; }

    int colCount() const { return colCount_; }
    void setColCount(int count);
    int rowCount() const { return rowCount_; }
    void setRowCount(int count);

    int colWidth(int col) const;
    void setColWidth(int col, int width);
    int defaultRowHeight() const { return rowHeight_; }
    void setDefaultRowHeight(int height);
    int gridLineWidth() const { return 1; }

    // Cells outside the grid are an error (std::out_of_range).
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // The current cell. setRow runs the select hook first when the row
    // changes, then moves and scrolls the row into view; a row outside
    // 0..rowCount()-1 throws std::out_of_range.
    int row() const { return row_; }
    int col() const { return col_; }
    void setRow(int row);
    // Moves the current row without the select hook and without scrolling.
    // One past the last row is allowed, so that the next step up lands on
    // the last row.
    void setCurrentRowSilently(int row);

    // First visible non-fixed row, clamped so that the view stays filled.
    int topRow() const { return topRow_; }
    void setTopRow(int row);
    // Non-fixed rows shown in full from topRow() on.
    int visibleRowCount() const;

    // (col, row) of the cell under a viewport point; either is -1 where the
    // point lies outside all cells along that axis.
    QPoint mouseToCell(QPoint p) const;
    // A cell's rectangle in viewport coordinates (the grid line excluded);
    // empty for cells that are not on screen.
    QRect cellRect(int col, int row) const;

    int clientWidth() const;
    void invalidate();

    // Called for every visible cell, fixed ones included, row by row from the
    // top, each row left to right. Without it the grid fills and labels cells
    // itself; either way it draws the grid lines itself.
    std::function<void(QPainter& p, int col, int row, const QRect& rect)> drawCell;
    // Before the current row changes, and on every left click on a non-fixed
    // cell; clearing canSelect keeps the current row.
    std::function<void(int col, int row, bool& canSelect)> selectCell;
    // First look at every key (a Qt key code); setting it to 0 consumes it.
    std::function<void(int& key, Qt::KeyboardModifiers mods)> keyDown;
    // Viewport coordinates.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> mouseDown;
    std::function<void(Qt::KeyboardModifiers, int x, int y)> mouseMove;
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)> mouseUp;
    // One call per wheel notch before the grid's own step; setting handled
    // skips that step. pos is in viewport coordinates.
    std::function<void(Qt::KeyboardModifiers, QPoint pos, bool& handled)> wheelDown;
    std::function<void(Qt::KeyboardModifiers, QPoint pos, bool& handled)> wheelUp;

    // Whether a data row counts as selected for screen readers; without it,
    // the current row is the selected one.
    std::function<bool(int row)> rowSelected;
    // The column a screen reader's focus stands on in the current row (-1:
    // the current column), and a cell's description beside its text.
    int accessibleColumn = -1;
    std::function<QString(int col, int row)> cellDescription;
    int focusColumn() const { return accessibleColumn >= 0 ? accessibleColumn : col(); }

signals:
    // A column's width was changed by dragging its right boundary in the header.
    void columnResized(int col);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int rowPitch() const { return rowHeight_ + gridLineWidth(); }
    int fixedWidth() const;
    int fixedHeight() const { return rowPitch(); }
    int colX(int col) const;
    int rowY(int row) const;
    int rowCapacity() const;
    int maxTopRow() const;
    int lastDataRow() const { return rowCount_ - 1; }
    void checkCell(int col, int row) const;
    int sizingBoundaryAt(QPoint p) const;
    bool moveCurrent(int col, int row, bool evenIfSame);
    void scrollIntoView(int row);
    void stepRow(int delta);
    void handleWheel(QWheelEvent* event, QPoint pos);
    void autoScrollTick();
    void updateScrollBars();
    void applyScrollRanges();
    // Tells screen readers about a data cell (only while one listens).
    void announce(QAccessible::Event what, int col, int row);

    int colCount_ = 5;
    int rowCount_ = 5;
    std::vector<int> colWidths_;
    int rowHeight_ = 24;
    std::vector<QString> cells_; // row-major, colCount_ per row

    int row_ = 1;
    int col_ = 1;
    int topRow_ = 1;

    // Mouse gestures.
    int sizingCol_ = -1;
    int sizingStartX_ = 0;
    int sizingStartWidth_ = 0;
    bool selecting_ = false;
    QPoint lastMouse_;
    QTimer autoScroll_;
    int wheelAccumulator_ = 0;

    bool painting_ = false;
    bool updatingBars_ = false;
    bool barsDirty_ = false;
};
