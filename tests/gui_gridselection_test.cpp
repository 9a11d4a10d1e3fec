// Selecting channels in the channel grid with the mouse, the keys and the
// wheel, and the file-name hint, on the program's real window.
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <vector>

#include "QtPrinters.h"
#include "RealProgram.h"
#include "SelectedChannels.h"
#include "SoundFiles.h"
#include "WheelEvents.h"
#include "app/PNAP.h"
#include "channellist/ChannelGrid.h"
#include "channels/Sources.h"
#include "widgets/HintWindow.h"
#include "widgets/StringGrid.h"

namespace {

using Channels = std::vector<int>;
constexpr auto Ctrl = Qt::ControlModifier;
constexpr auto Shift = Qt::ShiftModifier;

class GridSelection : public RealProgramTest {
protected:
    void SetUp() override {
        RealProgramTest::SetUp();
        grid = w->StringGrid1;
        // The first paint fits the File column to the grid, which takes the
        // horizontal scroll bar away again.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !grid->horizontalScrollBar()->isVisible(); }));
    }

    QWidget* vp() const { return grid->viewport(); }
    // A point in the State cell of a visible row.
    QPoint at(int row) const { return grid->cellRect(2, row).center(); }
    void click(int row, Qt::KeyboardModifiers mods = {}, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseClick(vp(), b, mods, at(row));
    }
    // QTest presses the modifier keys anew for each key it clicks.
    void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(grid, k, mods); }
    // A key pressed while the modifiers are held down from before.
    void held(Qt::Key k, Qt::KeyboardModifiers mods) {
        QKeyEvent press(QEvent::KeyPress, k, mods);
        QSpontaneKeyEvent::setSpontaneous(&press);
        qApp->notify(grid, &press);
        QKeyEvent release(QEvent::KeyRelease, k, mods);
        QSpontaneKeyEvent::setSpontaneous(&release);
        qApp->notify(grid, &release);
    }
    void wheel(int delta, Qt::KeyboardModifiers mods = {}) {
        sendWheel(vp(), at(grid->topRow()), delta, mods);
    }

    // The persistent flags, and what counts as selected right now.
    static Channels selected() { return SelectedChannels(); }
    Channels shown() const {
        Channels c;
        for (int n = 1; n <= ChannelCount; ++n)
            if (w->IsChannelSelected(n))
                c.push_back(n);
        return c;
    }
    // The background the last paint gave a visible row.
    QColor rowColour(int row) const {
        const QRect r = grid->cellRect(2, row);
        return vp()->grab().toImage().pixelColor(r.right() - 2, r.bottom() - 1);
    }
    QColor highlight() const { return grid->palette().color(QPalette::Highlight); }
    QColor base() const { return grid->palette().color(QPalette::Base); }

    TStringGrid* grid = nullptr;
};

TEST_F(GridSelection, MouseGesturesSelectRanges) {
    // Click: that channel alone, and it is the current one.
    click(4);
    EXPECT_EQ(selected(), (Channels{4}));
    EXPECT_EQ(grid->row(), 4);
    EXPECT_TRUE(grid->hasFocus());
    EXPECT_FALSE(GridRangeSelecting);

    // Drag from 2 to 5: channels 2 to 5 alone, whatever was selected before.
    QTest::mousePress(vp(), Qt::LeftButton, {}, at(2));
    QTest::mouseMove(vp(), at(3));
    QTest::mouseMove(vp(), at(5));
    EXPECT_TRUE(GridRangeSelecting);
    EXPECT_EQ(shown(), (Channels{2, 3, 4, 5})) << "the range shows as it will be";
    EXPECT_EQ(selected(), Channels{}) << "a plain press starts over";
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, at(5));
    EXPECT_EQ(selected(), (Channels{2, 3, 4, 5}));
    EXPECT_EQ(grid->row(), 5);

    // Shift+click: from the anchor (2) to the row, alone; the anchor stays.
    click(1, Shift);
    EXPECT_EQ(selected(), (Channels{1, 2}));
    click(4, Shift);
    EXPECT_EQ(selected(), (Channels{2, 3, 4}));
    EXPECT_EQ(GridAnchorRow, 2);

    // Ctrl+click: that channel toggles, the rest stays, and it is the anchor.
    click(3, Ctrl);
    EXPECT_EQ(selected(), (Channels{2, 4}));
    click(6, Ctrl);
    EXPECT_EQ(selected(), (Channels{2, 4, 6}));
    EXPECT_EQ(GridAnchorRow, 6);
    click(4, Shift | Ctrl); // Ctrl with Shift re-anchors and toggles
    EXPECT_EQ(selected(), (Channels{2, 6}));
    EXPECT_EQ(GridAnchorRow, 4);

    // Ctrl+drag from 1 to 3: the range toggles, and shows toggled while held.
    QTest::mousePress(vp(), Qt::LeftButton, Ctrl, at(1));
    QTest::mouseMove(vp(), at(3));
    EXPECT_EQ(shown(), (Channels{1, 3, 6}));
    EXPECT_EQ(rowColour(2), base());
    EXPECT_EQ(rowColour(3), highlight());
    QTest::mouseRelease(vp(), Qt::LeftButton, Ctrl, at(3));
    EXPECT_EQ(selected(), (Channels{1, 3, 6}));

    // Dragged below the rows, the range grows row by row as the view scrolls.
    QTest::mousePress(vp(), Qt::LeftButton, {}, at(5));
    QTest::mouseMove(vp(), QPoint(100, vp()->height() + 10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->row() >= 9; }, 2000));
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(100, vp()->height() + 10));
    const int last = grid->row();
    EXPECT_GT(grid->topRow(), 1);
    EXPECT_EQ(selected().front(), 5);
    EXPECT_EQ(selected().back(), last);
    EXPECT_EQ(selected().size(), size_t(last - 4));
}

TEST_F(GridSelection, HeaderPressesAndOtherButtons) {
    click(3);
    // A press on the header starts nothing, and its release commits nothing
    // (the current row moved away from the anchor without selecting).
    key(Qt::Key_Down, Ctrl);
    key(Qt::Key_Down, Ctrl);
    ASSERT_EQ(grid->row(), 5);
    QTest::mouseClick(vp(), Qt::LeftButton, {}, grid->cellRect(2, 0).center());
    EXPECT_EQ(grid->row(), 5);
    EXPECT_FALSE(GridRangeSelecting);
    EXPECT_EQ(selected(), (Channels{3}));
    // Nor does the end of a column resize in the header.
    const int boundary = grid->cellRect(1, 0).right() + 1;
    QTest::mousePress(vp(), Qt::LeftButton, {}, QPoint(boundary, 5));
    QTest::mouseMove(vp(), QPoint(boundary + 10, 5));
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, QPoint(boundary + 10, 5));
    EXPECT_EQ(grid->colWidth(1), 49);
    EXPECT_EQ(selected(), (Channels{3}));

    // A right click selects like a left one; no drag follows it.
    click(2, {}, Qt::RightButton);
    EXPECT_EQ(selected(), (Channels{2}));
    EXPECT_EQ(grid->row(), 2);
    QTest::mousePress(vp(), Qt::RightButton, {}, at(4));
    QTest::mouseMove(vp(), at(6));
    QTest::mouseRelease(vp(), Qt::RightButton, {}, at(6));
    EXPECT_EQ(grid->row(), 4);
    EXPECT_EQ(selected(), (Channels{4}));
    // So does a press on the row's number.
    click(1, {}, Qt::MiddleButton);
    QTest::mouseClick(vp(), Qt::LeftButton, Ctrl, grid->cellRect(0, 6).center());
    EXPECT_EQ(selected(), (Channels{1, 6}));

    // A press in the room below the last row of a grid scrolled to its end
    // is no row: it starts nothing and leaves the current row.
    grid->resize(grid->width(), grid->height() + 8);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !grid->horizontalScrollBar()->isVisible(); }));
    grid->setTopRow(32);
    ASSERT_EQ(grid->topRow(), 27);
    const QPoint below(100, vp()->height() - 3);
    ASSERT_EQ(grid->mouseToCell(below).y(), -1);
    QTest::mouseClick(vp(), Qt::LeftButton, {}, below);
    EXPECT_EQ(grid->row(), 6);
    EXPECT_FALSE(GridRangeSelecting);
    EXPECT_EQ(selected(), (Channels{1, 6}));
}

TEST_F(GridSelection, CtrlLetGoDuringADragCommitsTheRangeAsSelected) {
    click(2);
    click(4, Ctrl);
    ASSERT_EQ(selected(), (Channels{2, 4}));
    // The rows drawn as selected at the last paint of each.
    std::map<int, bool> painted;
    grid->drawCell = [this, &painted, draw = grid->drawCell](QPainter& p, int col, int row,
                                                             const QRect& rect) {
        draw(p, col, row, rect);
        if (col == 1 && row > 0)
            painted[row] = w->IsChannelSelected(row);
    };
    auto paintedSelected = [&] {
        Channels c;
        for (auto [row, sel] : painted)
            if (sel)
                c.push_back(row);
        return c;
    };
    QTest::mousePress(vp(), Qt::LeftButton, Ctrl, at(1));
    EXPECT_EQ(paintedSelected(), (Channels{1, 2, 4}));
    QTest::mouseMove(vp(), at(3));
    EXPECT_EQ(shown(), (Channels{1, 3, 4}));
    QTest::qWait(20);
    EXPECT_EQ(paintedSelected(), (Channels{1, 3, 4})) << "inverted while the button is held";
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, at(3));
    EXPECT_EQ(selected(), (Channels{1, 2, 3, 4}));
    EXPECT_EQ(paintedSelected(), (Channels{1, 2, 3, 4})) << "the rows show what was committed";
}

TEST_F(GridSelection, ArrowKeysAtTheEnds) {
    grid->setFocus();
    key(Qt::Key_End);
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(selected(), (Channels{1})) << "standard navigation leaves the selection";
    key(Qt::Key_Down);
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(selected(), (Channels{32}));
    key(Qt::Key_Home);
    key(Qt::Key_Up);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(selected(), (Channels{1}));

    // Shift+Down on the last row toggles it...
    key(Qt::Key_End);
    held(Qt::Key_Down, Shift);
    EXPECT_EQ(selected(), (Channels{1, 32}));
    held(Qt::Key_Down, Shift);
    EXPECT_EQ(selected(), (Channels{1}));
    // ...and twice, as a change of direction, when the last key was Up.
    key(Qt::Key_Up);
    click(32);
    ASSERT_EQ(LastGridKey, int(Qt::Key_Up));
    held(Qt::Key_Down, Shift);
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(selected(), (Channels{32}));

    // Space toggles the current channel, whatever the modifiers; the other
    // keys keep the selection.
    key(Qt::Key_Space);
    EXPECT_EQ(selected(), Channels{});
    key(Qt::Key_PageUp);
    key(Qt::Key_Space, Ctrl);
    EXPECT_EQ(grid->row(), 26);
    EXPECT_EQ(selected(), (Channels{26}));
    EXPECT_EQ(LastGridKey, int(Qt::Key_Space));
}

TEST_F(GridSelection, ShiftArrowsExtendAndShrink) {
    click(5);
    QTest::keyPress(grid, Qt::Key_Shift);
    held(Qt::Key_Down, Shift);
    held(Qt::Key_Down, Shift);
    EXPECT_EQ(selected(), (Channels{5, 6, 7}));
    EXPECT_EQ(grid->row(), 7);
    held(Qt::Key_Up, Shift); // a change of direction also toggles the row left
    EXPECT_EQ(selected(), (Channels{5}));
    EXPECT_EQ(grid->row(), 6);
    QTest::keyRelease(grid, Qt::Key_Shift);

    // Pressing Shift anew makes it the last key: no extra toggle.
    key(Qt::Key_Down, Shift);
    EXPECT_EQ(selected(), (Channels{5, 7}));
    EXPECT_EQ(LastGridKey, int(Qt::Key_Down));
    key(Qt::Key_Up, Shift);
    EXPECT_EQ(selected(), (Channels{5, 6, 7}));
    EXPECT_EQ(grid->row(), 6);

    // Plain arrows select the next channel alone.
    key(Qt::Key_Up);
    EXPECT_EQ(selected(), (Channels{5}));
    key(Qt::Key_Down);
    EXPECT_EQ(selected(), (Channels{6}));
}

TEST_F(GridSelection, CtrlArrowsMoveTheCurrentRowOnly) {
    click(2);
    click(4, Ctrl);
    // Within the view (rows 1 to 6) the view stays.
    for (int row : {5, 6}) {
        key(Qt::Key_Down, Ctrl | Shift);
        EXPECT_EQ(grid->row(), row);
        EXPECT_EQ(grid->topRow(), 1);
    }
    // Past its last row it scrolls just enough.
    key(Qt::Key_Down, Ctrl);
    EXPECT_EQ(grid->row(), 7);
    EXPECT_EQ(grid->topRow(), 2);
    for (int i = 0; i < 5; ++i)
        key(Qt::Key_Up, Ctrl);
    EXPECT_EQ(grid->row(), 2);
    EXPECT_EQ(grid->topRow(), 2);
    key(Qt::Key_Up, Ctrl);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(grid->topRow(), 1);
    key(Qt::Key_Up, Ctrl);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(grid->topRow(), 1);
    // And at the bottom of the list.
    key(Qt::Key_End);
    key(Qt::Key_Up, Ctrl);
    key(Qt::Key_Down, Ctrl);
    key(Qt::Key_Down, Ctrl);
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(grid->topRow(), 27);
    EXPECT_EQ(selected(), (Channels{2, 4}));
}

TEST_F(GridSelection, TheWheelWrapsAround) {
    w->MakeChannelCurrent(31);
    click(31);
    sendWheel(vp(), at(31), -120); // towards the user
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(selected(), (Channels{32}));
    sendWheel(vp(), at(32), -120);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(grid->topRow(), 1);
    EXPECT_EQ(selected(), (Channels{1}));
    sendWheel(vp(), at(1), 120); // away from the user
    EXPECT_EQ(grid->row(), 32);
    EXPECT_EQ(grid->topRow(), 27);
    EXPECT_EQ(selected(), (Channels{32}));

    // With Ctrl the current row cycles and the selection stays.
    click(29, Ctrl);
    sendWheel(vp(), at(29), -120 * 4, Ctrl);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(grid->topRow(), 1);
    sendWheel(vp(), at(1), 120, Ctrl);
    EXPECT_EQ(grid->row(), 32);
    sendWheel(vp(), at(32), -120, Ctrl);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(selected(), (Channels{29, 32}));

    // The wheel goes to the focused control: not to the grid once it has lost
    // the focus, wherever the pointer is.
    w->LoadButton->setFocus();
    sendWheel(vp(), at(1), -120);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(selected(), (Channels{29, 32}));
}

// ---- The file-name hint ------------------------------------------------------

class FileHint : public GridSelection {
protected:
    void SetUp() override {
        GridSelection::SetUp();
        const std::string a = dir.file("a.wav");
        ASSERT_TRUE(testsupport::writeTone(a, {.seconds = 0.05}));
        ASSERT_TRUE(w->LoadChannelFile(2, a));
        long_ = dir.file("a rather long file name that will not fit beside the grid in one "
                         "line at all.wav");
        ASSERT_TRUE(testsupport::writeTone(long_, {.seconds = 0.05}));
        ASSERT_TRUE(w->LoadChannelFile(4, long_));
        w->RepaintGrid();
    }
    bool hintShown() const { return FileHintWindow->isVisible(); }
    void setActive(bool active) {
        emit qApp->applicationStateChanged(active ? Qt::ApplicationActive
                                                  : Qt::ApplicationInactive);
    }

    testsupport::TempDir dir;
    std::string long_;
};

TEST_F(FileHint, FollowsThePointerOverLoadedRows) {
    QTest::mouseMove(vp(), at(1));
    EXPECT_FALSE(hintShown()) << "an empty row";

    // Beside the pointer, level with it, 32 pixels to the right; with the
    // place, also as azimuth (positive to the left) and distance.
    Sources[2].Position = {-1.f, 0.5f, 1.f};
    const QPoint p = at(2) + QPoint(-5, 2);
    QTest::mouseMove(vp(), p);
    ASSERT_TRUE(hintShown());
    EXPECT_EQ(FileHintWindow->text(), " a.wav \u2028 X=-1 Y=0.5 Z=1、方位角 45°、距離 1.5 m ");
    EXPECT_EQ(FileHintWindow->pos(), vp()->mapToGlobal(p + QPoint(32, 0)));
    // In the tooltip colours: a framed box with the name in it.
    const QPalette tip = QToolTip::palette();
    const QImage image = FileHintWindow->grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), tip.color(QPalette::ToolTipText));
    EXPECT_EQ(image.pixelColor(2, 2), tip.color(QPalette::ToolTipBase));
    int inked = 0;
    for (int x = 0; x < image.width(); ++x)
        inked += image.pixelColor(x, image.height() / 4) != tip.color(QPalette::ToolTipBase);
    EXPECT_GT(inked, 10) << "the name is drawn";
    const int twoLines = FileHintWindow->height();

    // The room between the grid and the window's right edge, less 32, holds
    // it; a longer name wraps. Any column, the row number's included.
    QTest::mouseMove(vp(), grid->cellRect(0, 4).center());
    EXPECT_TRUE(FileHintWindow->text().startsWith(
        " a rather long file name that will not fit beside the grid in one line at all.wav "));
    EXPECT_LE(FileHintWindow->width(), 592 - (4 + 249) - 32);
    EXPECT_GT(FileHintWindow->width(), 200);
    EXPECT_GE(FileHintWindow->height(), 3 * twoLines / 2 - 4);

    // Over an empty row, or the header, it goes.
    QTest::mouseMove(vp(), grid->cellRect(2, 0).center());
    EXPECT_FALSE(hintShown());
    QTest::mouseMove(vp(), at(2));
    EXPECT_TRUE(hintShown());
    QTest::mouseMove(vp(), at(3));
    EXPECT_FALSE(hintShown());

    // Over the grid's own scroll bar it stays; over any other control it goes.
    QTest::mouseMove(vp(), at(2));
    QTest::mouseMove(grid->verticalScrollBar(), QPoint(5, 30));
    EXPECT_TRUE(hintShown());
    QTest::mouseMove(w->LoadButton, QPoint(5, 5));
    EXPECT_FALSE(hintShown());
    // It follows a drag too.
    QTest::mousePress(vp(), Qt::LeftButton, {}, at(2));
    QTest::mouseMove(vp(), at(4));
    EXPECT_TRUE(hintShown());
    EXPECT_EQ(grid->row(), 4);
    // Beside the grid the pointer is still level with a row: the grid tells
    // the hint where it is. Above or below the rows it goes.
    const QPoint beside(vp()->width() + 30, at(4).y());
    QTest::mouseMove(vp(), beside);
    EXPECT_TRUE(hintShown());
    EXPECT_EQ(FileHintWindow->pos(), vp()->mapToGlobal(beside + QPoint(32, 0)));
    QTest::mouseRelease(vp(), Qt::LeftButton, {}, beside);
    EXPECT_EQ(selected(), (Channels{2, 3, 4}));
}

TEST_F(FileHint, AnotherProgramOrTheDesktopTakesItAway) {
    QTest::mouseMove(vp(), at(2));
    ASSERT_TRUE(hintShown());
    // Losing the activation takes it away...
    setActive(false);
    EXPECT_FALSE(hintShown());
    // ...and while another program is active, moves neither show nor hide it.
    QTest::mouseMove(vp(), at(4));
    EXPECT_FALSE(hintShown());
    // Back in the program, the next move over the row shows it again.
    setActive(true);
    QTest::mouseMove(vp(), at(4) + QPoint(1, 0));
    EXPECT_TRUE(hintShown());
    EXPECT_EQ(FileHintWindow->pos(), vp()->mapToGlobal(at(4) + QPoint(33, 0)));

    // Leaving the window for the desktop takes it away; leaving the grid for
    // another control of the window is a move, not a leave of the window.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(grid, &leave);
    EXPECT_TRUE(hintShown());
    QCoreApplication::sendEvent(w->windowHandle(), &leave);
    EXPECT_FALSE(hintShown());
}

} // namespace
