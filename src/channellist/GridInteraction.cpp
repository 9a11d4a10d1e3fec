// Selecting channels in the grid with the mouse, the keys and the wheel, and
// the hint that shows a loaded channel's file name and place beside the
// pointer.
//
// The grid's own behaviour runs around these handlers: a left press on a
// channel cell has already moved the current row when the press handler runs,
// and keys and wheel notches reach their handlers before the grid's own
// navigation moves the current row.
#include <QApplication>
#include <QLocale>
#include <QMouseEvent>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "app/PNAP.h"
#include "channellist/ChannelGrid.h"
#include "channellist/GridSelection.h"
#include "channels/ChannelLevels.h"
#include "channels/Sources.h"
#include "spatial/PolarPlace.h"
#include "widgets/ApplicationEvents.h"
#include "widgets/HintWindow.h"
#include "widgets/StringGrid.h"

namespace {

// The hint sits this far to the right of the pointer and keeps this far from
// the window's right edge.
constexpr int HintOffset = 32;

bool Ctrl(Qt::KeyboardModifiers m) {
    return m.testFlag(Qt::ControlModifier);
}

bool Shift(Qt::KeyboardModifiers m) {
    return m.testFlag(Qt::ShiftModifier);
}

// A place's number for people: to step, in the user's locale, without
// the float's noise digits.
QString Rounded(double v, double step) {
    return QLocale().toString(std::round(v / step) * step + 0.0, 'g', 6);
}

// Where the channel is: X, Y, Z as the bars' labels say them, and the
// azimuth and distance as the Position dialog and the OSC "aed" do.
QString PlaceText(const BASS_3DVECTOR& at) {
    const coords::TPolar polar = coords::PolarOf({at.x, at.y, at.z});
    return TFrmPhonaraPlayer::tr("X=%1 Y=%2 Z=%3、方位角 %4°、距離 %5 m")
        .arg(Rounded(at.x, 0.01), Rounded(at.y, 0.01), Rounded(at.z, 0.01),
             Rounded(polar.Azimuth, 0.1), Rounded(polar.Distance, 0.01));
}

void HideFileHint() {
    if (FileHintWindow && FileHintWindow->isVisible())
        FileHintWindow->releaseHandle();
}

} // namespace

void TFrmPhonaraPlayer::StringGrid1MouseDown(Qt::MouseButton, Qt::KeyboardModifiers shift, int x,
                                             int y) {
    const int r = StringGrid1->mouseToCell(QPoint(x, y)).y();
    // The header row, and the empty space below the last row of a grid
    // scrolled to its end, start nothing.
    if (r < 1)
        return;
    GridRangeSelecting = true;
    // Shift alone extends from the previous anchor; Ctrl re-anchors.
    if (!Shift(shift) || Ctrl(shift))
        GridAnchorRow = r;
    StringGrid1->setRow(r);
    // A plain press starts over: the range then shows as selected while the
    // button is held. With Ctrl the rest stays and the range shows inverted.
    if (!Ctrl(shift)) {
        for (int n = 1; n <= ChannelCount; ++n)
            Sources[n].Selected = false;
    }
    RepaintGrid();
}

void TFrmPhonaraPlayer::StringGrid1MouseUp(Qt::MouseButton, Qt::KeyboardModifiers shift, int, int) {
    // Only a press on a channel row starts something to finish; a release
    // after a header press or a column resize changes nothing.
    if (!GridRangeSelecting)
        return;
    CommitGridRange(GridAnchorRow, StringGrid1->row(), Ctrl(shift));
    GridRangeSelecting = false;
    // Ctrl let go during the drag turns the inverted range into a selected
    // one, which the rows do not show yet.
    RepaintGrid();
}

void TFrmPhonaraPlayer::StringGrid1KeyDown(int& key, Qt::KeyboardModifiers shift) {
    const int pressed = key;
    const int row = std::clamp(StringGrid1->row(), 1, ChannelCount);
    switch (pressed) {
    case Qt::Key_Space:
        ToggleChannel(row);
        RepaintGrid();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const bool down = pressed == Qt::Key_Down;
        const int opposite = down ? Qt::Key_Up : Qt::Key_Down;
        const int target =
            ArrowKeySelection(down, Ctrl(shift), Shift(shift), row, LastGridKey == opposite);
        if (Ctrl(shift)) {
            // The current channel moves and the selection stays. The view
            // scrolls only as far as it must to keep the row in sight, which
            // the grid's own Ctrl+arrow (scrolling the view a row) would not.
            StringGrid1->setRow(target);
            key = 0;
        }
        RepaintGrid();
        break;
    }
    default:
        break;
    }
    LastGridKey = pressed;
}

void TFrmPhonaraPlayer::StringGrid1MouseWheelDown(Qt::KeyboardModifiers shift, QPoint, bool&) {
    StringGrid1Loop(true, shift);
}

void TFrmPhonaraPlayer::StringGrid1MouseWheelUp(Qt::KeyboardModifiers shift, QPoint, bool&) {
    StringGrid1Loop(false, shift);
}

void TFrmPhonaraPlayer::StringGrid1Loop(bool down, Qt::KeyboardModifiers shift) {
    int row = StringGrid1->row();
    // The grid's step stops at either end; parking the current row just past
    // the end (without selecting a cell) makes it land on the other end.
    if (down && row == ChannelCount) {
        row = 0;
        StringGrid1->setCurrentRowSilently(row);
        StringGrid1->setTopRow(1);
    } else if (!down && row == 1) {
        row = ChannelCount + 1;
        StringGrid1->setCurrentRowSilently(row);
        StringGrid1->setTopRow(StringGrid1->rowCount() - StringGrid1->visibleRowCount());
    }
    if (Ctrl(shift))
        return;
    SelectOnlyChannel(std::clamp(row + (down ? 1 : -1), 1, ChannelCount));
    RepaintGrid();
}

void TFrmPhonaraPlayer::StringGrid1MouseMove(Qt::KeyboardModifiers, int x, int y) {
    // While another program is active the hint neither shows nor hides.
    if (!FileHintWindow || !ApplicationEvents1->applicationActive())
        return;
    const int r = StringGrid1->mouseToCell(QPoint(x, y)).y();
    if (r < 1 || r > ChannelCount || !Sources[r].Loaded) {
        HideFileHint();
        return;
    }
    QString text = " " + StringGrid1->cell(3, r) + " ";
    // A channel a controller muted or turned down says so: the grid's
    // colours and words only tell whether it plays.
    const TChannelLevel& level = ChannelLevels[r];
    if (level.Muted)
        text += "— " + tr("ミュート (コントローラー)") + " ";
    else if (level.Gain < 1.f)
        text += "— " +
                QString::fromStdString(GainInDecibels(level.Gain))
                    .replace(QLatin1Char('.'), QLocale().decimalPoint()) +
                " ";
    // The place on a line of its own under the name.
    text += QChar(QChar::LineSeparator) + (" " + PlaceText(Sources[r].Position) + " ");
    const int maxWidth = width() - (StringGrid1->x() + StringGrid1->width()) - HintOffset;
    QRect rect = FileHintWindow->calcHintRect(maxWidth, text);
    rect.moveTopLeft(StringGrid1->viewport()->mapToGlobal(QPoint(x + HintOffset, y)));
    FileHintWindow->activateHint(rect, text);
}

void TFrmPhonaraPlayer::ApplicationEvents1Message(QObject* receiver, QEvent* event) {
    // The pointer left the window for the desktop or another program's
    // window: no move of ours follows to take the hint away.
    if (event->type() == QEvent::Leave && receiver == windowHandle()) {
        HideFileHint();
        return;
    }
    if (event->type() != QEvent::MouseMove || !FileHintWindow || !FileHintWindow->isVisible())
        return;
    // Moves without a button come to the window under the pointer and go on
    // to the control there only if it tracks the mouse; moves with a button
    // held go to the control that took the press.
    const auto* move = static_cast<QMouseEvent*>(event);
    QWidget* target = nullptr;
    if (move->buttons() == Qt::NoButton) {
        if (!qobject_cast<QWindow*>(receiver))
            return;
        target = QApplication::widgetAt(move->globalPosition().toPoint());
    } else {
        target = qobject_cast<QWidget*>(receiver);
        if (!target)
            return;
    }
    // The grid's viewport and scroll bars are parts of the grid.
    if (target && (target == StringGrid1 || StringGrid1->isAncestorOf(target)))
        return;
    HideFileHint();
}

void TFrmPhonaraPlayer::ApplicationEvents1Deactivate() {
    HideFileHint();
}
