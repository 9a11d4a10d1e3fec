// The window's side of motion paths: the audio menu's items, the frame timer
// that moves the sources along their paths and samples a recording, and what
// the transport tells the paths.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <chrono>

#include "app/AudioMenu.h"
#include "app/PNAP.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TMotionPoint PointOf(const BASS_3DVECTOR& v) {
    return {0, v.x, v.y, v.z};
}

BASS_3DVECTOR VectorOf(const TMotionPoint& p) {
    return {p.X, p.Y, p.Z};
}

// The file channel n holds, as the paths know it: none while it is empty.
uint32_t OwnerOf(int n) {
    return Sources[n].Loaded ? Sources[n].Handle : 0;
}

} // namespace

void TFrmPhonaraPlayer::BuildMotionMenu() {
    // Captions: RetranslateMotionMenu, in the language of the moment.
    RecordMotionAction = new QAction(this);
    RecordMotionAction->setCheckable(true);
    RecordMotionAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(RecordMotionAction, &QAction::triggered, this, [this] { RecordMotion1Click(); });
    ClearMotionAction = new QAction(this);
    connect(ClearMotionAction, &QAction::triggered, this, [this] { ClearMotion1Click(); });
    MotionModeAction = new QAction(this);
    connect(MotionModeAction, &QAction::triggered, this, [this] { MotionMode1Click(); });
    InsertAboveAudioStatus(MenuAudio, {RecordMotionAction, ClearMotionAction, MotionModeAction},
                           true);
    // Ctrl+R works also while the menu is not open or is disabled.
    addAction(RecordMotionAction);

    RetranslateMotionMenu();

    // Moved by a hand, a controller or an undo: off its path until the next Play.
    Arrangement.Observe([this](const TChange& c) {
        if (c.Field == TField::Place && c.Origin != TOrigin::PathPlayback)
            motionPlayer_.Moved(c.Channel, PointOf(std::get<BASS_3DVECTOR>(c.After)));
    });

    MotionTimer = new QTimer(this);
    MotionTimer->setTimerType(Qt::PreciseTimer);
    MotionTimer->setInterval(MotionFrameMs);
    connect(MotionTimer, &QTimer::timeout, this, [this] { MotionFrame(); });
}

void TFrmPhonaraPlayer::RetranslateMotionMenu() {
    RecordMotionAction->setText(tr("動きを記録(&R)..."));
    ClearMotionAction->setText(tr("動きを消去"));
    MotionModeAction->setText(tr("動きの繰り返しを切り替え"));
    ShowRecordingInTitle();
}

void TFrmPhonaraPlayer::ShowRecordingInTitle() {
    // The desktop adds the program's name after any other title ("Recording
    // — PhonaraPlayer"): the title itself names it only when alone.
    setWindowTitle(MotionRecording() ? tr("記録中") : QStringLiteral("PhonaraPlayer"));
}

void TFrmPhonaraPlayer::RecordMotion1Click() {
    // The paths a recording gives are one step.
    const TUndoScope step(History->Recorder);
    SetMotionRecording(!MotionRecording());
}

void TFrmPhonaraPlayer::SetMotionRecording(bool on, TOrigin origin) {
    if (on == MotionRecording()) {
        RecordMotionAction->setChecked(on);
        return;
    }
    if (on) {
        recordingStart_ = Now();
        motionRecorder_.Start();
        MotionFrame(); // the places at the start
    } else {
        MotionFrame(); // the places at the end
        for (auto& [n, path] : motionRecorder_.Stop(Now() - recordingStart_))
            if (Sources[n].Loaded)
                SetChannelMotion(n, std::move(path), origin);
    }
    RecordMotionAction->setChecked(on);
    ShowRecordingInTitle();
    RefreshMotion();
}

void TFrmPhonaraPlayer::ClearMotion1Click() {
    const TUndoScope step(History->Recorder);
    const TPlacementBatch batch;
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded && IsChannelSelected(n) && ChannelMotion(n)) {
            // A source on its path goes back to where it rests.
            const BASS_3DVECTOR rest = RestPosition(n);
            Arrangement.Path(n, nullptr, TOrigin::Hand);
            Arrangement.Place(n, rest, TOrigin::Hand);
        }
}

void TFrmPhonaraPlayer::MotionMode1Click() {
    const TUndoScope step(History->Recorder);
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded && IsChannelSelected(n))
            if (const TMotionPath* path = ChannelMotion(n)) {
                // A path is never changed in place: the other mode is another path.
                TMotionPath other = *path;
                other.Mode =
                    path->Mode == TMotionMode::Loop ? TMotionMode::Once : TMotionMode::Loop;
                Arrangement.Path(n, std::make_shared<const TMotionPath>(std::move(other)),
                                 TOrigin::Hand);
            }
}

const TMotionPath* TFrmPhonaraPlayer::ChannelMotion(int n) const {
    return motionPlayer_.PathOf(n, OwnerOf(n));
}

void TFrmPhonaraPlayer::SetChannelMotion(int n, std::optional<TMotionPath> path, TOrigin origin) {
    Arrangement.Path(n, path ? std::make_shared<const TMotionPath>(std::move(*path)) : nullptr,
                     origin);
}

BASS_3DVECTOR TFrmPhonaraPlayer::RestPosition(int n) const {
    if (ChannelMotion(n))
        if (const auto rest = motionPlayer_.RestOf(n, PointOf(Sources[n].Position)))
            return VectorOf(*rest);
    return Sources[n].Position;
}

void TFrmPhonaraPlayer::MotionPlayed(int n) {
    motionPlayer_.Play(n, Now(), PointOf(Sources[n].Position));
    // The source is at its path's place as the sound starts.
    if (ChannelMotion(n))
        MotionFrame();
}

void TFrmPhonaraPlayer::MotionPaused(int n) {
    motionPlayer_.Pause(n, Now());
    // Held where the sound stops.
    if (ChannelMotion(n))
        MotionFrame();
}

void TFrmPhonaraPlayer::MotionStopped(int n) {
    const bool followed = ChannelMotion(n) != nullptr;
    const auto rest = motionPlayer_.Stop(n);
    if (rest && followed && Sources[n].Loaded) {
        Arrangement.Place(n, VectorOf(*rest), TOrigin::PathPlayback); // back where the user put it
        // A marker a frame left behind is drawn now, also when the frame had
        // already put the sound where it rests (the place did not change).
        DrawMovedSources(Now(), true);
    }
}

namespace {

// Whether a drawing due at dueAt, every period seconds, is due now; when it
// is, dueAt moves on by a period. The draws keep the period's rate on
// average whatever the frames' own rate; after a stall they start over.
bool DrawingDue(double now, double period, double& dueAt) {
    if (now < dueAt)
        return false;
    dueAt = now - dueAt < period ? dueAt + period : now + period;
    return true;
}

} // namespace

void TFrmPhonaraPlayer::DrawMovedSources(double now, bool all) {
    const bool markersDue = DrawingDue(now, MarkerFrameSeconds, markersDueAt_);
    if (all || markersDue) {
        std::vector<int> moved;
        for (int n = 1; n < static_cast<int>(markersBehind_.size()); ++n)
            if (markersBehind_[n]) {
                markersBehind_[n] = 0;
                moved.push_back(n);
            }
        PlaceMarkersTogether(moved);
        if (!moved.empty())
            ++MarkerFrames;
    }
    const bool barsDue = DrawingDue(now, BarsFrameSeconds, barsDueAt_);
    if (barsBehind_ && (all || barsDue)) {
        barsBehind_ = false;
        const int r = StringGrid1->row();
        if (r < 1 || r > ChannelCount)
            return;
        const BASS_3DVECTOR& p = Sources[r].Position;
        LastPosition = p;
        UpdatingBars = true;
        ScrollBarX->setPosition(coords::XToStep(p.x, UnitsPerStep));
        ScrollBarY->setPosition(coords::YZToStep(p.y, UnitsPerStep));
        ScrollBarZ->setPosition(coords::YZToStep(p.z, UnitsPerStep));
        UpdatingBars = false;
    }
}

void TFrmPhonaraPlayer::RefreshMotion() {
    // The timer runs only while something moves or records.
    const bool needed = motionPlayer_.Moving() || MotionRecording();
    if (needed && !MotionTimer->isActive())
        MotionTimer->start();
    else if (!needed && MotionTimer->isActive())
        MotionTimer->stop();
}

void TFrmPhonaraPlayer::ShowMotionPaths() {
    std::vector<const TMotionPath*> paths(ChannelCount + 1, nullptr);
    for (int n = 1; n <= ChannelCount; ++n)
        paths[n] = ChannelMotion(n);
    if (paths == shownPaths_)
        return; // the same paths: the lines are drawn already
    shownPaths_ = paths;
    QList<QPolygon> front, top;
    for (const TMotionPath* path : paths) {
        if (!path)
            continue;
        QPolygon f, t;
        for (const TMotionPoint& p : path->Points) {
            // Through the markers' centres, as the markers show a place.
            const int x = coords::XToPixel(p.X, UnitsPerStep, PixelsPerStep, MarkerHalfWidth) +
                          MarkerHalfWidth;
            f << QPoint(x, coords::YZToPixel(p.Y, UnitsPerStep, PixelsPerStep, MarkerHalfHeight) +
                               MarkerHalfHeight);
            t << QPoint(x, coords::YZToPixel(p.Z, UnitsPerStep, PixelsPerStep, MarkerHalfHeight) +
                               MarkerHalfHeight);
        }
        if (path->Mode == TMotionMode::Loop) {
            f << f.front();
            t << t.front();
        }
        front << f;
        top << t;
    }
    Image1->SetPaths(front);
    Image2->SetPaths(top);
}

void TFrmPhonaraPlayer::MotionFrame() {
    // Sources on their paths move by themselves, not by the user's hand.
    const TUndoPause playback(History->Recorder);
    ++MotionFrames;
    const double now = Now();
    // A path goes with its file: another file put in the slot by a door
    // other than the arrangement's (a test's set-up) leaves none behind.
    for (int n = 1; n <= ChannelCount; ++n)
        if (!ChannelMotion(n) && motionPlayer_.StoredPath(n))
            Arrangement.Path(n, nullptr, TOrigin::PathPlayback);
    {
        // One 3D update for every source that moves in this frame; the
        // markers and bars follow at their own, slower rate.
        const TPlacementBatch frame;
        deferPathDrawing_ = true;
        motionPlayer_.Frame(now, [&](int n, const TMotionPoint& p) {
            if (Sources[n].Loaded)
                Arrangement.Place(n, VectorOf(p), TOrigin::PathPlayback);
        });
        deferPathDrawing_ = false;
    }
    // What stops moving is drawn where it stopped at once.
    DrawMovedSources(now, !motionPlayer_.Moving());
    if (MotionRecording()) {
        const int current = StringGrid1->row();
        for (int n = 1; n <= ChannelCount; ++n)
            if (Sources[n].Loaded) {
                const BASS_3DVECTOR& p = Sources[n].Position;
                motionRecorder_.Sample(now - recordingStart_, n, p.x, p.y, p.z,
                                       n == current || IsChannelSelected(n));
            }
    }
    RefreshMotion();
}
