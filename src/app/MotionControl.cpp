// The window's side of motion paths: the audio menu's items, the frame timer
// that moves the sources along their paths and samples a recording, and what
// the transport tells the paths.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <chrono>

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
    RecordMotion1 = new QAction(this);
    RecordMotion1->setCheckable(true);
    RecordMotion1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(RecordMotion1, &QAction::triggered, this, [this] { RecordMotion1Click(); });
    ClearMotion1 = new QAction(this);
    connect(ClearMotion1, &QAction::triggered, this, [this] { ClearMotion1Click(); });
    MotionMode1 = new QAction(this);
    connect(MotionMode1, &QAction::triggered, this, [this] { MotionMode1Click(); });
    // Before the separator above the status line, which ends the menu.
    QAction* before = nullptr;
    const auto items = MenuAudio->actions();
    for (QAction* item : items)
        if (item->isSeparator())
            before = item;
    MenuAudio->insertSeparator(before);
    MenuAudio->insertActions(before, {RecordMotion1, ClearMotion1, MotionMode1});
    // Ctrl+R works also while the menu is not open or is disabled.
    addAction(RecordMotion1);

    RetranslateMotionMenu();

    MotionTimer = new QTimer(this);
    MotionTimer->setTimerType(Qt::PreciseTimer);
    MotionTimer->setInterval(MotionFrameMs);
    connect(MotionTimer, &QTimer::timeout, this, [this] { MotionFrame(); });
}

void TFrmPhonaraPlayer::RetranslateMotionMenu() {
    RecordMotion1->setText(tr("動きを記録(&R)..."));
    ClearMotion1->setText(tr("動きを消去"));
    MotionMode1->setText(tr("動きの繰り返しを切り替え"));
    ShowRecordingInTitle();
}

void TFrmPhonaraPlayer::ShowRecordingInTitle() {
    setWindowTitle(MotionRecording() ? QStringLiteral("PhonaraPlayer - %1").arg(tr("記録中"))
                                     : QStringLiteral("PhonaraPlayer"));
}

void TFrmPhonaraPlayer::RecordMotion1Click() {
    // The paths a recording gives are one step.
    const TUndoScope step(History->Recorder);
    SetMotionRecording(!MotionRecording());
}

void TFrmPhonaraPlayer::SetMotionRecording(bool on) {
    if (on == MotionRecording()) {
        RecordMotion1->setChecked(on);
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
                SetChannelMotion(n, std::move(path));
    }
    RecordMotion1->setChecked(on);
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
            SetChannelMotion(n, std::nullopt);
            ShowSourceAt(n, rest);
        }
}

void TFrmPhonaraPlayer::MotionMode1Click() {
    const TUndoScope step(History->Recorder);
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded && IsChannelSelected(n))
            if (const TMotionPath* path = ChannelMotion(n))
                motionPlayer_.SetMode(n, path->Mode == TMotionMode::Loop ? TMotionMode::Once
                                                                         : TMotionMode::Loop);
    shownPaths_.clear(); // a loop's line closes, a once path's does not
    ShowMotionPaths();
}

const TMotionPath* TFrmPhonaraPlayer::ChannelMotion(int n) const {
    return motionPlayer_.PathOf(n, OwnerOf(n));
}

void TFrmPhonaraPlayer::SetChannelMotion(int n, std::optional<TMotionPath> path) {
    motionPlayer_.SetPath(n, std::move(path), OwnerOf(n));
    RefreshMotion();
    shownPaths_.clear(); // the same place may hold another path now
    ShowMotionPaths();
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
    if (rest && followed && Sources[n].Loaded)
        ShowSourceAt(n, VectorOf(*rest)); // back where the user put it
}

void TFrmPhonaraPlayer::ShowSourceAt(int n, const BASS_3DVECTOR& p) {
    const BASS_3DVECTOR& was = Sources[n].Position;
    const bool behind = n < static_cast<int>(markersBehind_.size()) && markersBehind_[n];
    if (was.x == p.x && was.y == p.y && was.z == p.z && !behind)
        return;
    PlaceSource(n, p, TPanRule::FromX());
    PlaceChannelMarkers(n, p);
    if (behind)
        markersBehind_[n] = false;
    if (n != StringGrid1->row())
        return;
    // The bars and labels follow, as while dragging.
    LastPosition = p;
    UpdatingBars = true;
    ScrollBarX->setPosition(coords::XToStep(p.x, UnitsPerStep));
    ScrollBarY->setPosition(coords::YZToStep(p.y, UnitsPerStep));
    ScrollBarZ->setPosition(coords::YZToStep(p.z, UnitsPerStep));
    UpdatingBars = false;
    barsBehind_ = false;
}

void TFrmPhonaraPlayer::MoveSourceOnPath(int n, const BASS_3DVECTOR& p) {
    const BASS_3DVECTOR& was = Sources[n].Position;
    if (was.x == p.x && was.y == p.y && was.z == p.z)
        return;
    // The sound moves now; the marker and the bars when their turn comes.
    PlaceSource(n, p, TPanRule::FromX());
    markersBehind_.resize(ChannelCount + 1, 0);
    markersBehind_[n] = 1;
    if (n == StringGrid1->row())
        barsBehind_ = true;
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
        bool drawn = false;
        for (int n = 1; n < static_cast<int>(markersBehind_.size()); ++n)
            if (markersBehind_[n]) {
                markersBehind_[n] = 0;
                PlaceChannelMarkers(n, Sources[n].Position);
                drawn = true;
            }
        if (drawn)
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
    for (int n = 1; n <= ChannelCount; ++n) {
        // A path goes with its file: another file in the slot has none.
        if (!ChannelMotion(n))
            motionPlayer_.SetPath(n, std::nullopt, 0);
        // Moved by a hand or the remote since the last frame: off its path.
        else
            motionPlayer_.Observe(n, PointOf(Sources[n].Position));
    }
    {
        // One 3D update for every source that moves in this frame.
        const TPlacementBatch frame;
        motionPlayer_.Frame(now, [&](int n, const TMotionPoint& p) {
            if (Sources[n].Loaded)
                MoveSourceOnPath(n, VectorOf(p));
        });
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
