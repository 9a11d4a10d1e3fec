// Moving the selected channels along one axis: the four axis scroll bars, the
// arrow keys on them, and the mouse wheel.
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QScopeGuard>
#include <QWheelEvent>
#include <cmath>
#include <utility>

#include "app/KeyState.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

bool AnyArrowKeyDown() {
    return TKeyState::IsDown(Qt::Key_Left) || TKeyState::IsDown(Qt::Key_Right) ||
           TKeyState::IsDown(Qt::Key_Up) || TKeyState::IsDown(Qt::Key_Down);
}

void SetLabel(QLabel* label, const char* axis, float value) {
    // The digits are locale-independent; the user reads them with the decimal
    // separator of their own locale.
    QString number = QString::fromStdString(FormatG(value));
    number.replace(QLatin1Char('.'), QLocale().decimalPoint());
    label->setText(QString(axis) + "=" + number);
    // The labels size themselves to their text, growing to the right.
    label->resize(label->sizeHint().width(), label->height());
}

} // namespace

void TFrmPhonaraPlayer::UpdateAxisLabel(TScrollBar* bar) {
    if (bar == ScrollBarY) {
        SetLabel(LabelY, "Y", LastPosition.y);
    } else if (bar == ScrollBarZ) {
        SetLabel(LabelZ, "Z", LastPosition.z);
    } else {
        SetLabel(LabelX, "X", LastPosition.x);
        ScrollBarX2->setPosition(ScrollBarX->position());
    }
}

int TFrmPhonaraPlayer::SettleCurrentChannel() {
    auto movable = [this](int n) { return Sources[n].Loaded && IsChannelSelected(n); };
    const int r = StringGrid1->row();
    if (r >= 1 && r <= ChannelCount && movable(r))
        return r;
    for (int n = 1; n <= ChannelCount; ++n) {
        if (movable(n)) {
            StringGrid1->setRow(n);
            return n;
        }
    }
    return 0;
}

void TFrmPhonaraPlayer::ScrollBarChange(TScrollBar* sender) {
    // A burst of clicks, keys or notches on the bars is one step.
    const TUndoScope step(History->Recorder, true);
    if (!UpdatingBars) {
        // The current channel lands on the bar's step; the other selected
        // channels move rigidly with it. Making a channel current sets every
        // bar to its steps first, so such a change only snaps the selection
        // onto the current channel.
        auto movable = [this](int n) { return Sources[n].Loaded && IsChannelSelected(n); };
        const int c = SettleCurrentChannel();
        if (c != 0) {
            const int p = sender->position();
            const double ups = UnitsPerStep;
            int dp;
            float d;
            if (sender == ScrollBarX) {
                dp = coords::StepToPixel(p, PixelsPerStep, MarkerHalfWidth) - FrontMarkers[c]->x();
                d = static_cast<float>(p * ups - Sources[c].Position.x);
            } else if (sender == ScrollBarY) {
                dp = coords::StepToPixel(p, PixelsPerStep, MarkerHalfHeight) - FrontMarkers[c]->y();
                d = static_cast<float>(-p * ups - Sources[c].Position.y);
            } else {
                dp = coords::StepToPixel(p, PixelsPerStep, MarkerHalfHeight) - TopMarkers[c]->y();
                d = static_cast<float>(-p * ups - Sources[c].Position.z);
            }
            // The library applies the whole move at once.
            const TPlacementBatch move;
            for (int n = 1; n <= ChannelCount; ++n) {
                if (!movable(n))
                    continue;
                BASS_3DVECTOR at = Sources[n].Position;
                if (sender == ScrollBarX) {
                    at.x += d;
                    FrontMarkers[n]->move(FrontMarkers[n]->x() + dp, FrontMarkers[n]->y());
                    TopMarkers[n]->move(TopMarkers[n]->x() + dp, TopMarkers[n]->y());
                } else if (sender == ScrollBarY) {
                    at.y += d;
                    FrontMarkers[n]->move(FrontMarkers[n]->x(), FrontMarkers[n]->y() + dp);
                } else {
                    at.z += d;
                    TopMarkers[n]->move(TopMarkers[n]->x(), TopMarkers[n]->y() + dp);
                }
                LastPosition = at;
                // A plain stereo channel imitates distance from the X axis by
                // its volume; its pan follows X only when dragged or loaded.
                Arrangement.Place(n, at, barOrigin_, TPanRule::Keep(), true);
            }
        }
    }
    UpdateAxisLabel(sender);
}

void TFrmPhonaraPlayer::ScrollBarX2Change() {
    const TUndoScope step(History->Recorder, true);
    ScrollBarX->setPosition(ScrollBarX2->position());
}

void TFrmPhonaraPlayer::ScrollBarKeyDown(TScrollBar* sender, int& key) {
    int dx = 0, dv = 0;
    switch (key) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dv = -1;
        break;
    case Qt::Key_Down:
        dv = 1;
        break;
    default:
        return; // the bar's own keys: Page Up/Down, Home, End
    }
    const TUndoScope step(History->Recorder, true);
    const TOrigin was = std::exchange(barOrigin_, TOrigin::Key);
    const auto restore = qScopeGuard([this, was] { barOrigin_ = was; });
    if (!KeyMoveRaised) {
        // The selection comes to the front of both views for the whole key move.
        for (int n :
             RaiseSelectedInOrder(MarkerOrder, [this](int n) { return IsChannelSelected(n); })) {
            FrontMarkers[n]->raise();
            TopMarkers[n]->raise();
        }
        KeyMoveRaised = true;
    }
    ScrollBarX->setPosition(ScrollBarX->position() + dx);
    if (sender == ScrollBarX || sender == ScrollBarY)
        ScrollBarY->setPosition(ScrollBarY->position() + dv);
    else
        ScrollBarZ->setPosition(ScrollBarZ->position() + dv);
    Image1->update();
    Image2->update();
    AnnouncePlace(StringGrid1->row());
    key = 0;
}

void TFrmPhonaraPlayer::ScrollBarScroll(TScrollBar* sender, int, int& scrollPos) {
    // While an arrow key moves the selection, the bar's own scrolling (say a
    // click on its arrow button) must not move it as well.
    if (AnyArrowKeyDown())
        scrollPos = sender->position();
}

void TFrmPhonaraPlayer::ScrollBarExit() {
    KeyMoveRaised = false;
}

bool TFrmPhonaraPlayer::MouseWheelHandler(QWheelEvent* event) {
    // Only the vertical wheel moves anything; a sideways tilt is swallowed so
    // that no control scrolls or steps on it either.
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return true;
    // Notches in a burst are one step; during a drag they belong to the drag.
    const TUndoScope notches(History->Recorder, true);
    const TOrigin was = std::exchange(barOrigin_, TOrigin::Wheel);
    const auto restore = qScopeGuard([this, was] { barOrigin_ = was; });
    auto step = [delta](TScrollBar* bar, int away) {
        // Rolling away from the user moves towards the positive side of the axis.
        if (delta == 120)
            bar->setPosition(bar->position() + away);
        else if (delta == -120)
            bar->setPosition(bar->position() - away);
    };
    if (MarkerDragging) {
        // During a drag the wheel moves along the axis the view does not show.
        if (DragView == Image1)
            step(ScrollBarZ, -1);
        else
            step(ScrollBarY, -1);
        return true;
    }
    QWidget* focused = QApplication::focusWidget();
    if (focused == ScrollBarY || focused == ScrollBarZ) {
        step(static_cast<TScrollBar*>(focused), -1);
        return true;
    }
    if (focused == ScrollBarX || focused == ScrollBarX2) {
        step(static_cast<TScrollBar*>(focused), 1);
        return true;
    }
    if (!focused || focused->window() != this)
        return false;
    // Any other control: the wheel goes to the focused control, wherever the
    // pointer is.
    QWheelEvent copy(focused->mapFromGlobal(event->globalPosition()), event->globalPosition(),
                     event->pixelDelta(), event->angleDelta(), event->buttons(), event->modifiers(),
                     event->phase(), event->inverted(), event->source());
    dispatchingWheel_ = true;
    QApplication::sendEvent(focused, &copy);
    dispatchingWheel_ = false;
    return true;
}

bool TFrmPhonaraPlayer::eventFilter(QObject* watched, QEvent* event) {
    // In the environment box a letter picks the room of that letter; M mutes
    // the selected channels everywhere else.
    if (event->type() == QEvent::ShortcutOverride && watched == ComboBox1) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_M && key->modifiers() == Qt::NoModifier) {
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::Wheel && !dispatchingWheel_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this)
            return MouseWheelHandler(static_cast<QWheelEvent*>(event));
    }
    return QMainWindow::eventFilter(watched, event);
}
