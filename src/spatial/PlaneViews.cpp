// The two plane views: the figure behind the markers, and the mouse in them.
// A left press on a marker selects and drags, elsewhere it draws a rubber
// band; a right press sends the selection to the pointer.
#include <QPainter>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Picking.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

// Channel n's marker in the front view or in the top view.
TMarker* ViewMarker(bool front, int n) {
    return front ? FrontMarkers[n] : TopMarkers[n];
}

TMarkerBox BoxOf(const TMarker* marker) {
    return {marker->x(), marker->y(), marker->width(), marker->height()};
}

// The band as the view draws it: its right and bottom edges are outside.
QRect BandFrame(const TBandRect& band) {
    return QRect(QPoint(band.left, band.top), QPoint(band.right - 1, band.bottom - 1));
}

// Every selected loaded channel remembers where (x, y) lies from its marker's corner.
void SetDragOffsets(int x, int y, bool front) {
    for (int n = 1; n <= ChannelCount; ++n) {
        TSource& s = Sources[n];
        if (!s.Loaded || !s.Selected)
            continue;
        const TMarker* marker = ViewMarker(front, n);
        s.DragOffsetX = x - marker->x();
        s.DragOffsetY = y - marker->y();
    }
}

void ClearSelection() {
    for (int n = 1; n <= ChannelCount; ++n)
        Sources[n].Selected = false;
}

} // namespace

void TFrmPhonaraPlayer::DrawViewBackground() {
    const int w = Image1->width();
    const int h = Image1->height();
    const int c = ViewCentre;
    QImage picture(w, h, QImage::Format_RGB32);
    // Silver is the views' transparent colour: the panel's face shows there.
    picture.fill(Image1->TransparentColor);
    QPainter p(&picture);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::NoBrush);
    // Boxes are (left, top, right, bottom) with the right and bottom edges
    // outside, and lines stop short of their end points.
    auto ellipse = [&p](int left, int top, int right, int bottom) {
        p.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
    };
    p.drawLine(c, 1, c, h - 1);
    p.drawLine(1, c, w - 1, c);
    ellipse(1, 1, w - 1, h - 1);                                 // 2.5 m
    ellipse(c / 2 + 1, c / 2 + 1, w - 1 - c / 2, h - 1 - c / 2); // 1.25 m
    ellipse(c - 10, c - 10, c + 10, c + 10);                     // 0.2 m
    p.end();
    Image1->SetPicture(picture);
    Image2->SetPicture(Image1->Picture());
}

void TFrmPhonaraPlayer::ImageMouseDown(TViewImage* sender, Qt::MouseButton button,
                                       Qt::KeyboardModifiers shift, int x, int y) {
    // A right press sends the selection in one step; a left press on a
    // marker opens the drag's step, which its release ends.
    const TUndoScope step(History->Recorder);
    MovedSincePress = false;
    PressX = x;
    PressY = y;
    PressedOnSelected = false;
    const bool front = sender == Image1;
    auto marker = [front](int n) { return ViewMarker(front, n); };

    if (button == Qt::RightButton) {
        // The current channel's marker centre goes to the pointer; the other
        // selected markers keep their distance from it.
        const int c = SettleCurrentChannel();
        if (c == 0)
            return;
        const int cx = marker(c)->x() + MarkerHalfWidth;
        const int cy = marker(c)->y() + MarkerHalfHeight;
        SetDragOffsets(cx, cy, front);
        ImageMousePoint(sender, x, y);
        return;
    }
    if (button != Qt::LeftButton)
        return;

    const bool ctrl = shift.testFlag(Qt::ControlModifier);
    const TPick pick = PickMarker(
        MarkerOrder, x, y, [](int n) { return Sources[n].Loaded; },
        [](int n) { return Sources[n].Selected; }, [&marker](int n) { return BoxOf(marker(n)); });
    if (pick.channel != 0) {
        const int m = pick.channel;
        // Pressing a selected marker drags the whole selection; Ctrl drags the
        // selection along with a newly picked one; otherwise the picked one
        // becomes the only selected channel.
        if (pick.wasSelected || ctrl)
            SetDragOffsets(x, y, front);
        else
            ClearSelection();
        if (!pick.wasSelected) {
            Sources[m].Selected = true;
            Sources[m].DragOffsetX = x - marker(m)->x();
            Sources[m].DragOffsetY = y - marker(m)->y();
        }
        MakeChannelCurrent(m);
        MarkerDragging = true;
        History->Recorder.SetHeld(true);
        PressedOnSelected = pick.wasSelected;
        DragView = sender;
        bool canSelect = true;
        StringGrid1SelectCell(3, m, canSelect);
        RepaintGrid();
        return;
    }

    if (!ctrl) {
        ClearSelection();
        RepaintGrid();
    }
    // A new band starts with no hits: what an earlier band touched must not
    // count as selected while this one is drawn.
    BandHits.reset();
    BandSelecting = true;
    BandRect = {x, y, x, y};
    sender->SetBand(BandFrame(BandRect));
}

void TFrmPhonaraPlayer::ImageMouseMove(TViewImage* sender, Qt::MouseButtons held,
                                       Qt::KeyboardModifiers shift, int x, int y) {
    // No step here: a drag's step is held from its press, and hovering
    // changes nothing.
    if ((MarkerDragging || BandSelecting) && !held.testFlag(Qt::LeftButton)) {
        // The left button came up where the view could not see it (another
        // program took the pointer): end the gesture here rather than let the
        // markers follow a pointer that holds nothing.
        ImageMouseUp(sender, Qt::LeftButton, held, shift, x, y);
    }
    if (x != PressX || y != PressY)
        MovedSincePress = true;
    if (MarkerDragging) {
        // The view that took the press keeps receiving the moves while the
        // button is held, also beyond its edges.
        ImageMousePoint(sender, x, y);
        Image1->update();
        Image2->update();
        return;
    }
    if (BandSelecting) {
        BandRect = NormalisedBand(PressX, PressY, x, y);
        ImageMouseSelectRect(sender, BandRect);
        sender->SetBand(BandFrame(BandRect));
        return;
    }
    bool overMarker = false;
    for (int n = 1; n <= ChannelCount && !overMarker; ++n) {
        overMarker = Sources[n].Loaded && HoverHits(BoxOf(ViewMarker(sender == Image1, n)), x, y);
    }
    if (overMarker)
        sender->setCursor(Qt::PointingHandCursor);
    else
        sender->unsetCursor();
}

void TFrmPhonaraPlayer::ImageMouseUp(TViewImage* sender, Qt::MouseButton, Qt::MouseButtons held,
                                     Qt::KeyboardModifiers shift, int x, int y) {
    // A drag or band is the left button's gesture: releasing another button
    // while it is still held (say after a right press that re-anchored the
    // drag) lets the gesture go on.
    if (held.testFlag(Qt::LeftButton))
        return;
    const TUndoScope step(History->Recorder);
    if (MarkerDragging) {
        // Ctrl+click without moving toggles a marker that was selected off;
        // a newly picked one stays selected.
        const int r = StringGrid1->row();
        if (x == PressX && y == PressY && !MovedSincePress && shift.testFlag(Qt::ControlModifier) &&
            r >= 1 && r <= ChannelCount)
            Sources[r].Selected = !PressedOnSelected;
        MarkerDragging = false;
        History->Recorder.SetHeld(false);
        RepaintGrid();
    } else if (BandSelecting) {
        ImageMouseSelectRect(sender, BandRect);
        sender->SetBand(QRect());
        // The band only adds; what it touched comes to the front, in the
        // order it had.
        for (int n = 1; n <= ChannelCount; ++n)
            if (BandHits[n])
                Sources[n].Selected = true;
        for (int n : RaiseSelectedInOrder(MarkerOrder, [](int n) { return BandHits[n]; })) {
            FrontMarkers[n]->raise();
            TopMarkers[n]->raise();
        }
        BandSelecting = false;
        RepaintGrid();
    }
}

void TFrmPhonaraPlayer::ImageMousePoint(TViewImage* sender, int x, int y) {
    const bool front = sender == Image1;
    // The library applies the whole step of the gesture at once.
    const TPlacementBatch move;
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& s = Sources[n];
        if (!s.Loaded || !s.Selected)
            continue;
        // The marker's new top-left corner, and its centre in steps: the
        // position follows the marker's pixel, so a press without a move can
        // shift a source that lay between pixels.
        const int left = x - s.DragOffsetX;
        const int top = y - s.DragOffsetY;
        const float sx = coords::PixelToStep(left, MarkerHalfWidth, PixelsPerStep);
        const float sv = coords::PixelToStep(top, MarkerHalfHeight, PixelsPerStep);
        BASS_3DVECTOR p = s.Position;
        p.x = coords::DragStepToX(sx, UnitsPerStep);
        (front ? p.y : p.z) = coords::DragStepToYZ(sv, UnitsPerStep);
        LastPosition = p;
        // A plain stereo channel imitates its place: pan from the marker's
        // step (not clamped, the library clamps), volume from the distance
        // to the X axis.
        Arrangement.Place(n, p, TOrigin::Hand, TPanRule::FromStep(sx), true);

        TMarker* own = ViewMarker(front, n);
        TMarker* other = ViewMarker(!front, n);
        own->move(left, top);
        other->move(left, other->y());
        if (n == StringGrid1->row()) {
            // The bars and labels follow the current channel without moving
            // anything a second time.
            UpdatingBars = true;
            ScrollBarX->setPosition(coords::Trunc(sx));
            (front ? ScrollBarY : ScrollBarZ)->setPosition(coords::Trunc(sv));
            UpdatingBars = false;
        }
    }
}

void TFrmPhonaraPlayer::ImageMouseSelectRect(TViewImage* sender, const TBandRect& rect) {
    for (int n = 1; n <= ChannelCount; ++n) {
        BandHits[n] =
            Sources[n].Loaded && BandTouches(BoxOf(ViewMarker(sender == Image1, n)), rect);
    }
    RepaintGrid();
}
