// The program's own controls on real widgets, driven by QTest events.
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "WheelEvents.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

namespace {

using Rows = std::vector<int>;

// QTRY_* report through QtTest, which GoogleTest does not see.
bool eventually(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 2000);
}

// The channel grid's shape: 4 columns, 33 rows of 14 pixels, 249 × 107, which
// leaves a 105-pixel viewport: the header and six rows of 15 pixels.
class StringGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.setColCount(4);
        grid.setRowCount(33);
        grid.setDefaultRowHeight(14);
        const int widths[] = {23, 39, 35, 100};
        for (int c = 0; c < 4; ++c)
            grid.setColWidth(c, widths[c]);
        grid.setGeometry(100, 100, 249, 107);
        grid.selectCell = [this](int col, int row, bool& canSelect) {
            selects.push_back(row);
            before.push_back(grid.row());
            lastCol = col;
            canSelect = allowSelect;
        };
        grid.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    }
    QWidget* vp() { return grid.viewport(); }
    QPoint at(int col, int row) { return grid.cellRect(col, row).center(); }
    void drag(QPoint from, QPoint to) {
        QTest::mousePress(vp(), Qt::LeftButton, {}, from);
        QTest::mouseMove(vp(), to);
        QTest::mouseRelease(vp(), Qt::LeftButton, {}, to);
    }

    TStringGrid grid;
    Rows selects, before; // the hook's rows, and the current row it saw
    int lastCol = -1;
    bool allowSelect = true;
};

TEST_F(StringGridTest, CellLookupWithFixedCellsAndScrolling) {
    EXPECT_EQ(grid.visibleRowCount(), 6);
    EXPECT_EQ(grid.cellRect(1, 1), QRect(24, 15, 39, 14));
    EXPECT_TRUE(grid.cellRect(1, 7).isEmpty());          // below the view
    EXPECT_EQ(grid.mouseToCell({23, 14}), QPoint(0, 0)); // a cell owns its lines
    EXPECT_EQ(grid.mouseToCell({24, 15}), QPoint(1, 1));
    EXPECT_EQ(grid.mouseToCell({205, 105}), QPoint(-1, -1)); // past the last column and row
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(grid.mouseToCell(at(c, 6)), QPoint(c, 6));

    // Rows scroll whole, the header stays; the top row stops where the last
    // row fills the view.
    grid.setTopRow(5);
    EXPECT_EQ(grid.mouseToCell({30, 5}), QPoint(1, 0));
    EXPECT_EQ(grid.mouseToCell({30, 20}), QPoint(1, 5));
    EXPECT_TRUE(grid.cellRect(1, 4).isEmpty());
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); // the user's bar
    EXPECT_EQ(grid.mouseToCell({30, 20}), QPoint(1, 6));
    grid.setTopRow(40);
    EXPECT_EQ(grid.topRow(), 27);
    EXPECT_EQ(grid.mouseToCell({30, 100}), QPoint(1, 32));

    // A column wider than the viewport brings the horizontal bar (Qt shows
    // bars from the event loop); columns scroll by pixels under the fixed one.
    EXPECT_FALSE(grid.horizontalScrollBar()->isVisible());
    grid.setColWidth(3, 400);
    EXPECT_TRUE(eventually([&] { return grid.horizontalScrollBar()->isVisible(); }));
    EXPECT_EQ(grid.visibleRowCount(), (vp()->height() - 15) / 15);
    grid.horizontalScrollBar()->setValue(50);
    EXPECT_EQ(grid.mouseToCell({10, 20}), QPoint(0, grid.topRow()));
    EXPECT_EQ(grid.mouseToCell({30, 20}).x(), 2); // 56 pixels into the scrolled part
    EXPECT_EQ(grid.cellRect(2, 0), QRect(24 + 40 - 50, 0, 35, 14));
    grid.setColWidth(3, 100);
    EXPECT_TRUE(eventually([&] { return !grid.horizontalScrollBar()->isVisible(); }));

    // The program sizes the last column while drawing; the bar follows the paint.
    grid.drawCell = [this](QPainter&, int col, int, const QRect&) {
        if (col == 1)
            grid.setColWidth(3, 500);
    };
    vp()->repaint();
    EXPECT_TRUE(eventually([&] { return grid.horizontalScrollBar()->isVisible(); }));
}

TEST_F(StringGridTest, DrawCellSeesEveryVisibleCellRowByRow) {
    std::vector<std::tuple<int, int, QRect>> drawn, expected;
    grid.drawCell = [&](QPainter& p, int col, int row, const QRect& rect) {
        drawn.emplace_back(col, row, rect);
        p.fillRect(rect, Qt::white);
    };
    grid.setTopRow(10);
    vp()->repaint();
    for (int r : {0, 10, 11, 12, 13, 14, 15})
        for (int c = 0; c < 4; ++c)
            expected.emplace_back(c, r, grid.cellRect(c, r));
    EXPECT_EQ(drawn, expected);
    // The grid adds only its one-pixel lines.
    const QImage image = vp()->grab().toImage();
    EXPECT_EQ(image.pixelColor(23, 5), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(30, 29), QColor(192, 192, 192));
    EXPECT_EQ(image.pixelColor(30, 20), QColor(Qt::white));
}

TEST_F(StringGridTest, ColumnSizingByDraggingTheHeaderBoundary) {
    QSignalSpy resized(&grid, &TStringGrid::columnResized);
    int downs = 0, ups = 0;
    grid.mouseDown = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++downs; };
    grid.mouseUp = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++ups; };

    drag({61, 7}, {81, 7}); // the line right of column 1 is at x = 63
    EXPECT_EQ(grid.colWidth(1), 59);
    EXPECT_EQ(grid.cellRect(2, 1).left(), 84);
    ASSERT_FALSE(resized.isEmpty());
    EXPECT_EQ(resized.last().at(0).toInt(), 1);
    EXPECT_EQ(downs, 0); // the sizing press is the grid's own
    EXPECT_EQ(ups, 1);
    drag({83, 7}, {5, 7});
    EXPECT_EQ(grid.colWidth(1), 1);

    // A press inside a header cell, or on a line below the header, sizes nothing.
    resized.clear();
    drag({45, 7}, {75, 7});
    drag({grid.cellRect(2, 2).right() + 1, 35}, {grid.cellRect(2, 2).right() + 31, 35});
    EXPECT_EQ(grid.colWidth(1), 1);
    EXPECT_EQ(grid.colWidth(2), 35);
    EXPECT_TRUE(resized.isEmpty());
    EXPECT_EQ(downs, 2);
}

TEST_F(StringGridTest, SelectHookRunsBeforeTheRowChanges) {
    grid.setRow(5);
    grid.setRow(5); // no change, no hook
    grid.setRow(20);
    EXPECT_EQ(grid.topRow(), 15); // scrolled into view
    EXPECT_EQ(selects, (Rows{5, 20}));
    EXPECT_EQ(before, (Rows{1, 5}));
    EXPECT_EQ(lastCol, grid.col());

    allowSelect = false;
    grid.setRow(8);
    EXPECT_EQ(grid.row(), 20);
    allowSelect = true;

    for (int bad : {-1, 33}) {
        try {
            grid.setRow(bad);
            ADD_FAILURE() << "row " << bad << " accepted";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), "グリッドインデックス が範囲を超えています");
        }
    }
    EXPECT_THROW(grid.setCell(0, 33, "x"), std::out_of_range);

    // The silent move runs no hook and may park one past the last row.
    selects.clear();
    grid.setCurrentRowSilently(33);
    EXPECT_EQ(grid.row(), 33);
    grid.setCurrentRowSilently(0);
    EXPECT_THROW(grid.setCurrentRowSilently(34), std::out_of_range);
    EXPECT_TRUE(selects.empty());
}

TEST_F(StringGridTest, MousePressesMoveTheRowBeforeTheHooks) {
    std::vector<std::tuple<Qt::MouseButton, QPoint, int>> downs; // button, point, row then
    int ups = 0;
    grid.mouseDown = [&](Qt::MouseButton b, Qt::KeyboardModifiers, int x, int y) {
        downs.emplace_back(b, QPoint(x, y), grid.row());
    };
    grid.mouseUp = [&](Qt::MouseButton, Qt::KeyboardModifiers, int, int) { ++ups; };

    // Every left click runs the select hook, even on the current row.
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at(2, 3));
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at(1, 3));
    EXPECT_EQ(selects, (Rows{3, 3}));
    EXPECT_EQ(before, (Rows{1, 3}));
    EXPECT_EQ(downs.at(0), std::make_tuple(Qt::LeftButton, at(2, 3), 3));
    EXPECT_TRUE(grid.hasFocus());

    // Other buttons and the fixed cells only reach the press hook.
    QTest::mouseClick(vp(), Qt::RightButton, {}, at(1, 5));
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at(0, 5));
    QTest::mouseClick(vp(), Qt::LeftButton, {}, at(2, 0));
    EXPECT_EQ(selects.size(), 2u);
    EXPECT_EQ(grid.row(), 3);
    EXPECT_EQ(std::get<0>(downs.at(2)), Qt::RightButton);
    EXPECT_EQ(ups, 5);

    std::vector<QPoint> moves;
    grid.mouseMove = [&](Qt::KeyboardModifiers, int x, int y) { moves.emplace_back(x, y); };
    QTest::mouseMove(vp(), {41, 60});
    EXPECT_EQ(moves, (std::vector<QPoint>{{41, 60}}));
}

TEST_F(StringGridTest, DraggingMovesTheRowAndScrollsPastTheEdges) {
    QTest::mousePress(vp(), Qt::LeftButton, {}, at(2, 2));
    QTest::mouseMove(vp(), at(3, 4));
    QTest::mouseMove(vp(), at(0, 5)); // anywhere across the row
    EXPECT_EQ(selects, (Rows{2, 4, 5}));
    EXPECT_EQ(before, (Rows{1, 2, 4}));

    // Below the rows a timer steps on, one row at a time, scrolling along.
    QTest::mouseMove(vp(), {40, vp()->height() + 20});
    QTest::qWait(400);
    EXPECT_GT(grid.row(), 6);
    EXPECT_GT(grid.topRow(), 1);
    EXPECT_LT(grid.row(), grid.topRow() + grid.visibleRowCount());
    for (size_t i = 3; i < selects.size(); ++i)
        EXPECT_EQ(selects[i], before[i] + 1);

    // Above them it steps back; the release stops it.
    QTest::mouseMove(vp(), {40, 5});
    const int low = grid.row();
    EXPECT_TRUE(eventually([&] { return grid.row() < low; }));
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, {40, 5});
    const int stopped = grid.row();
    QTest::qWait(200);
    QTest::mouseMove(vp(), at(1, grid.topRow() + 3)); // no button: no move
    EXPECT_EQ(grid.row(), stopped);

    // It stops at the last row.
    grid.setRow(31);
    QTest::mousePress(vp(), Qt::LeftButton, {}, at(1, 31));
    QTest::mouseMove(vp(), {40, vp()->height() + 20});
    EXPECT_TRUE(eventually([&] { return grid.row() == 32; }));
    QTest::qWait(150);
    EXPECT_EQ(grid.row(), 32);
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, {40, vp()->height() + 20});
}

TEST_F(StringGridTest, KeysNavigateThroughTheHooks) {
    const std::vector<std::tuple<Qt::Key, int, int>> steps = {
        // key, row, top row afterwards
        {Qt::Key_Down, 2, 1},     {Qt::Key_Up, 1, 1},         {Qt::Key_Up, 1, 1},
        {Qt::Key_PageDown, 7, 7}, {Qt::Key_PageUp, 1, 1},     {Qt::Key_End, 32, 27},
        {Qt::Key_Down, 32, 27},   {Qt::Key_PageDown, 32, 27}, {Qt::Key_Home, 1, 1}};
    for (auto [key, row, top] : steps) {
        QTest::keyClick(&grid, key);
        EXPECT_EQ(grid.row(), row) << key;
        EXPECT_EQ(grid.topRow(), top) << key;
    }
    EXPECT_EQ(selects, (Rows{2, 1, 7, 1, 32, 1})); // only real moves
    EXPECT_EQ(before, (Rows{1, 2, 1, 7, 1, 32}));

    // Ctrl+Up and Ctrl+Down scroll the view and leave the row.
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Down, Qt::ControlModifier);
    QTest::keyClick(&grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(grid.topRow(), 2);
    EXPECT_EQ(grid.row(), 1);

    // The key hook comes first and may consume or change the key.
    std::vector<int> keys;
    grid.keyDown = [&](int& key, Qt::KeyboardModifiers) {
        keys.push_back(key);
        key = key == Qt::Key_Down ? 0 : key == Qt::Key_End ? int(Qt::Key_PageDown) : key;
    };
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.row(), 1);
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(grid.row(), 7);
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Down, Qt::Key_End}));
}

TEST_F(StringGridTest, WheelNotchesStepThroughTheHooks) {
    std::vector<std::pair<bool, QPoint>> notches; // towards the user, position
    bool handled = false;
    grid.wheelDown = [&](Qt::KeyboardModifiers, QPoint pos, bool& h) {
        notches.emplace_back(true, pos);
        h = handled;
    };
    grid.wheelUp = [&](Qt::KeyboardModifiers, QPoint pos, bool& h) {
        notches.emplace_back(false, pos);
        h = handled;
    };
    sendWheel(vp(), {30, 40}, -240); // two notches at once
    sendWheel(vp(), {30, 40}, 60);   // half a notch waits for the other half
    EXPECT_EQ(notches.size(), 2u);
    sendWheel(vp(), {30, 40}, 60);
    EXPECT_EQ(notches, (std::vector<std::pair<bool, QPoint>>{
                           {true, {30, 40}}, {true, {30, 40}}, {false, {30, 40}}}));
    EXPECT_EQ(selects, (Rows{2, 3, 2}));
    handled = true; // skips the grid's step
    sendWheel(vp(), {30, 40}, -120);
    EXPECT_EQ(grid.row(), 2);
    handled = false;

    // The step stops at row 1 and at the last row.
    selects.clear();
    sendWheel(vp(), {30, 40}, 240);
    EXPECT_EQ(grid.row(), 1);
    grid.setRow(32);
    sendWheel(vp(), {30, 40}, -120);
    EXPECT_EQ(grid.row(), 32);
    EXPECT_EQ(selects, (Rows{1, 32}));

    // The wrap-around: parked silently past either end, one notch lands on the
    // first or the last row through the hook, scrolling along.
    grid.setCurrentRowSilently(0);
    sendWheel(vp(), {30, 40}, -120);
    EXPECT_EQ(grid.row(), 1);
    EXPECT_EQ(grid.topRow(), 1);
    grid.setCurrentRowSilently(33);
    sendWheel(vp(), {30, 40}, 120);
    EXPECT_EQ(grid.row(), 32);
    EXPECT_EQ(grid.topRow(), 27);
    EXPECT_EQ(before, (Rows{1, 2, 3, 2, 1, 0, 33}));

    // Handed to the grid itself, as the main window routes it, or over its
    // scroll bar, the wheel works the same, in viewport coordinates.
    notches.clear();
    sendWheel(&grid, vp()->pos() + QPoint(30, 40), 120);
    sendWheel(grid.verticalScrollBar(), {5, 40}, 120);
    EXPECT_EQ(notches.at(0), std::make_pair(false, QPoint(30, 40)));
    EXPECT_EQ(grid.row(), 30);
}

// ---- Scroll bar -------------------------------------------------------------

class ScrollBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.resize(300, 300);
        vertical.setGeometry(2, 16, 15, 250);
        horizontal.setGeometry(30, 270, 250, 15);
        for (TScrollBar* bar : {&vertical, &horizontal}) {
            bar->setRange(-50, 50);
            bar->onChange = [this, bar] { changes.push_back(bar->position()); };
            bar->onScroll = [this](int code, int& pos) {
                scrolls.emplace_back(code, pos);
                if (veto)
                    pos = veto(pos);
            };
        }
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QWidget window;
    TScrollBar vertical{Qt::Vertical, &window};
    TScrollBar horizontal{Qt::Horizontal, &window};
    std::vector<int> changes;
    std::vector<std::pair<int, int>> scrolls; // code, position offered
    std::function<int(int)> veto;
};

// At rest the bar draws itself from two pictures made once; wherever its
// thumb is, at either end, disabled or in another palette, it must look as
// QScrollBar draws itself over the window's face.
TEST_F(ScrollBarTest, AtRestItLooksAsQtDrawsIt) {
    QScrollBar plainVertical{Qt::Vertical, &window}, plainHorizontal{Qt::Horizontal, &window};
    plainVertical.setGeometry(vertical.geometry().translated(20, 0));
    plainHorizontal.setGeometry(horizontal.geometry().translated(0, -20));
    const std::pair<TScrollBar*, QScrollBar*> pairs[] = {{&vertical, &plainVertical},
                                                         {&horizontal, &plainHorizontal}};
    for (auto [ours, plain] : pairs) {
        plain->setRange(-50, 50);
        plain->setPageStep(1);
        plain->show();
    }
    auto look = [](QWidget* bar) {
        return bar->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    auto same = [&](const char* what) {
        for (auto [ours, plain] : pairs) {
            plain->setValue(ours->position());
            EXPECT_EQ(look(ours), look(plain))
                << what << ", " << (ours == &vertical ? "vertical" : "horizontal") << " at "
                << ours->position();
        }
    };
    for (int pos : {-50, -49, 0, 17, 49, 50, 48}) {
        vertical.setPosition(pos);
        horizontal.setPosition(pos);
        same("enabled");
    }
    window.setEnabled(false);
    same("disabled");
    window.setEnabled(true);
    same("enabled again");
    QPalette red = window.palette();
    red.setColor(QPalette::Window, Qt::red);
    red.setColor(QPalette::Button, Qt::darkRed);
    window.setPalette(red);
    horizontal.setPosition(-20);
    same("in another palette");
    // What it paints it paints whole: nothing behind it is drawn again.
    EXPECT_TRUE(vertical.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST_F(ScrollBarTest, SetPositionClampsAndReportsRealChangesOnce) {
    for (int pos : {7, 7, 80, 51, -300})
        vertical.setPosition(pos);
    EXPECT_EQ(changes, (std::vector<int>{7, 50, -50}));
    EXPECT_TRUE(scrolls.empty()); // the program's changes are not the bar's scrolling
}

TEST_F(ScrollBarTest, ScrollHookDecidesWhatTheArrowButtonsApply) {
    QTest::mouseClick(&vertical, Qt::LeftButton, {}, {7, 4});
    QTest::mouseClick(&horizontal, Qt::LeftButton, {}, {245, 7});
    EXPECT_EQ(changes, (std::vector<int>{-1, 1}));
    EXPECT_EQ(scrolls,
              (std::vector<std::pair<int, int>>{{QAbstractSlider::SliderSingleStepSub, -1},
                                                {QAbstractSlider::SliderSingleStepAdd, 1}}));

    // The current position handed back makes the click do nothing.
    veto = [this](int) { return vertical.position(); };
    QTest::mouseClick(&vertical, Qt::LeftButton, {}, {7, 245});
    EXPECT_EQ(vertical.position(), -1);
    EXPECT_EQ(changes.size(), 2u);
    veto = [](int pos) { return pos + 10; };
    QTest::mouseClick(&vertical, Qt::LeftButton, {}, {7, 245});
    EXPECT_EQ(changes.back(), 10);
}

TEST_F(ScrollBarTest, KeysMoveTheSameWayInBothOrientations) {
    const std::vector<std::pair<Qt::Key, int>> steps = {
        {Qt::Key_PageDown, 1}, {Qt::Key_PageUp, 0}, {Qt::Key_PageUp, -1},
        {Qt::Key_End, 50},     {Qt::Key_Home, -50}, {Qt::Key_Down, -49},
        {Qt::Key_Right, -48},  {Qt::Key_Up, -49},   {Qt::Key_Left, -50}};
    for (TScrollBar* bar : {&vertical, &horizontal}) {
        for (auto [key, pos] : steps) {
            QTest::keyClick(bar, key);
            EXPECT_EQ(bar->position(), pos) << bar->orientation() << " " << key;
        }
    }
    EXPECT_EQ(scrolls.size(), 2 * steps.size()); // all through the scroll hook

    // The key hook consumes the arrows; the rest keep the bar's handling.
    std::vector<int> keys;
    vertical.onKeyDown = [&](int& key, Qt::KeyboardModifiers) {
        keys.push_back(key);
        if (key >= Qt::Key_Left && key <= Qt::Key_Down)
            key = 0;
    };
    for (auto key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown})
        QTest::keyClick(&vertical, key);
    EXPECT_EQ(vertical.position(), -49);
    EXPECT_EQ(keys, (std::vector<int>{Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown}));
}

TEST_F(ScrollBarTest, ExitHookRunsOnFocusLoss) {
    int exits = 0;
    vertical.onExit = [&] { ++exits; };
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::mouseClick(&vertical, Qt::LeftButton, {}, {7, 120}); // a click takes the focus
    ASSERT_TRUE(vertical.hasFocus());
    QTest::keyClick(&window, Qt::Key_Tab);
    EXPECT_TRUE(horizontal.hasFocus());
    EXPECT_EQ(exits, 1);
}

// Counts the wheel events a widget sees.
class WheelCounter : public QObject {
public:
    int wheels = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        wheels += event->type() == QEvent::Wheel;
        return false;
    }
};

TEST_F(ScrollBarTest, WheelIsLeftToTheParents) {
    WheelCounter parent;
    window.installEventFilter(&parent);
    sendWheel(&vertical, {7, 120}, -120);
    sendWheel(&horizontal, {120, 7}, 120);
    EXPECT_EQ(parent.wheels, 2);
    EXPECT_TRUE(changes.empty());
}

// ---- Marker -----------------------------------------------------------------

TEST(Marker, FramedCaptionInItsColour) {
    QWidget panel;
    TMarker marker("01", &panel);
    EXPECT_FALSE(marker.isVisibleTo(&panel));
    EXPECT_EQ(marker.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(marker.size(), marker.fontMetrics().size(Qt::TextSingleLine, "01") + QSize(2, 2));
    EXPECT_EQ(marker.color(), QColor(Qt::white));

    marker.setColor(QColor(255, 255, 0));
    const QImage image = marker.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black)); // the frame
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 0));
    int black = 0; // the caption
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x)
            black += image.pixelColor(x, y) == QColor(Qt::black);
    EXPECT_GT(black, 0);
}

// Stands for a plane view under the markers.
class PressRecorder : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        presses.push_back(event->position().toPoint());
    }
};

TEST(Marker, PressesReachTheViewUnderneath) {
    QWidget panel;
    panel.resize(252, 252);
    PressRecorder view(&panel);
    view.setGeometry(1, 1, 250, 250);
    TMarker marker("32", &panel);
    marker.move(100, 100);
    marker.show();
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    // Through the window, which finds the widget under the pointer.
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {}, {103, 103});
    EXPECT_EQ(view.presses, (std::vector<QPoint>{{102, 102}}));
}

} // namespace
