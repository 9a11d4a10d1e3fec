// Motion paths on the real window: a drag recorded with Ctrl+R, played back
// with the channel, back at rest on Stop, and kept by the auto-save.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

#include "AudioRender.h"
#include "RealProgram.h"
#include "RemoteOn.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "channels/Placing.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteSettings.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

class Motion : public RealProgramTest {
protected:
    // Waits until the window has run this many more frames.
    void frames(int count) {
        const int until = w->MotionFrames + count;
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MotionFrames >= until; }, 5000));
    }
    static QPoint centreOf(int n) {
        return {FrontMarkers[n]->x() + MarkerHalfWidth, FrontMarkers[n]->y() + MarkerHalfHeight};
    }
    void load(int n, const BASS_3DVECTOR& at) {
        ASSERT_TRUE(w->LoadChannelFile(n, file));
        PlaceSource(n, at, TPanRule::FromX());
        PlaceChannelMarkers(n, at);
        Sources[n].Selected = true;
    }

    testsupport::TempDir dir;
    std::string file = dir.file("tone.wav");
};

TEST_F(Motion, ARecordedDragPlaysBackWithItsChannelAndIsKept) {
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 0});
    load(2, {-1, 0.5f, 0});
    w->RepaintGrid();

    // Record: a drag of both selected channels in four steps to the right.
    QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(w->MotionRecording());
    EXPECT_TRUE(w->windowTitle().contains("記録中")) << w->windowTitle().toStdString();
    QElapsedTimer clock;
    clock.start();
    frames(3);
    QPoint at = centreOf(1);
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, at);
    std::vector<std::pair<double, float>> steps; // when channel 1 got to which X
    for (int i = 0; i < 4; ++i) {
        at += QPoint(15, 0);
        QTest::mouseMove(w->Image1, at);
        steps.emplace_back(clock.nsecsElapsed() / 1e9, Sources[1].Position.x);
        frames(8);
    }
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, at);
    frames(3);
    const BASS_3DVECTOR rest1 = Sources[1].Position, rest2 = Sources[2].Position;
    EXPECT_NEAR(rest1.x, 1.2f, 0.051f);
    EXPECT_NEAR(rest2.x - rest1.x, -1.f, 0.001f) << "the selection moves rigidly";
    QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
    const double recorded = clock.nsecsElapsed() / 1e9;
    EXPECT_FALSE(w->MotionRecording());
    EXPECT_FALSE(w->windowTitle().contains("記録中"));

    const TMotionPath* path1 = w->ChannelMotion(1);
    const TMotionPath* path2 = w->ChannelMotion(2);
    ASSERT_TRUE(path1 && path2);
    EXPECT_EQ(path1->Mode, TMotionMode::Loop);
    EXPECT_NEAR(path1->Length(), recorded, 0.05) << "the recording's length is the period";
    // A standing start, four jumps and a standing end: about two points a
    // jump, not one every frame.
    EXPECT_LE(path1->Points.size(), 12u);
    EXPECT_GE(path1->Points.size(), 6u);
    EXPECT_EQ(path1->Points.front().X, 0.f);
    EXPECT_EQ(path2->Points.front().X, -1.f);
    EXPECT_EQ(w->Image1->Paths().size(), 2) << "both paths drawn in the front view";
    EXPECT_EQ(w->Image2->Paths().size(), 2);

    // Play: the sources follow the recorded places at the recorded times.
    const std::string arrangement = w->ArrangementText();
    w->LoopButtonClick();
    clock.restart();
    constexpr double Frame = TFrmPhonaraPlayer::MotionFrameMs / 1000.0;
    const float startX = Sources[1].Position.x;
    EXPECT_EQ(startX, 0.f) << "Play starts the path over";
    for (const auto& [when, x] : steps) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Sources[1].Position.x == x; }, 5000)) << x;
        const double seen = clock.nsecsElapsed() / 1e9;
        // The move was sampled at the frame after it happened; the playback
        // shows it at the frame after that time; waiting notices within a
        // poll. Allow a frame either way, plus the poll.
        EXPECT_NEAR(seen, when, 3 * Frame) << x;
        // The marker follows at its own rate, at most a thirtieth later.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return std::abs(centreOf(1).x() -
                                coords::XToPixel(x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth) -
                                MarkerHalfWidth) <= 1;
            },
            200))
            << "the marker within a pixel";
        // Each path is thinned on its own: within its centimetre.
        EXPECT_NEAR(Sources[2].Position.x - Sources[1].Position.x, -1.f, 0.0101f);
    }
    EXPECT_EQ(w->ArrangementText(), arrangement) << "saved where they rest, while they move";

    // Stop: both at rest, where they were left.
    w->StopButtonClick();
    EXPECT_EQ(Sources[1].Position.x, rest1.x);
    EXPECT_EQ(Sources[2].Position.x, rest2.x);
    EXPECT_EQ(centreOf(1).x(),
              coords::XToPixel(rest1.x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth) +
                  MarkerHalfWidth);

    // The auto-save keeps the paths, and the next start plays them.
    w->AutoSavePath = dir.file("PNAPini.pna");
    w->WriteAutoSave();
    std::string saved;
    ASSERT_EQ(ReadFileHead(w->AutoSavePath, saved), TReadResult::Ok);
    EXPECT_NE(saved.find("\r\n#PNAPPath loop 0,"), std::string::npos) << saved;
    const TMotionPath kept1 = *path1, kept2 = *path2;
    const std::string autoSave = w->AutoSavePath;
    start();
    w->AutoSavePath = autoSave;
    w->LoadIniFile({});
    ASSERT_TRUE(w->ChannelMotion(1) && w->ChannelMotion(2));
    EXPECT_EQ(*w->ChannelMotion(1), kept1);
    EXPECT_EQ(*w->ChannelMotion(2), kept2);
    EXPECT_EQ(Sources[1].Position.x, rest1.x);
}

TEST_F(Motion, DraggingAFollowingSourceTakesItOffItsPathUntilTheNextPlay) {
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 0});
    w->SetChannelMotion(1, TMotionPath{TMotionMode::Loop, {{0, -2, 0, 0}, {0.5, 2, 0, 0}}});
    w->LoopButtonClick();
    frames(3);
    ASSERT_NE(Sources[1].Position.x, 0.f);
    // Grab the marker where it is and drop it low in the view.
    const QPoint grab = centreOf(1);
    QTest::mousePress(w->Image1, Qt::LeftButton, {}, grab);
    QTest::mouseMove(w->Image1, {125, 200});
    QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, {125, 200});
    const BASS_3DVECTOR dropped = Sources[1].Position;
    // Nothing moves now: the frames stop; one more would leave it there.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->MotionTimer->isActive(); }, 3000));
    w->MotionFrame();
    w->MotionFrame();
    EXPECT_EQ(Sources[1].Position.x, dropped.x) << "off its path";
    EXPECT_EQ(Sources[1].Position.y, dropped.y);
    ASSERT_TRUE(w->ChannelMotion(1)) << "the path is kept";
    // Play again: on the path; Stop: back where it was dropped.
    w->LoopButtonClick();
    frames(3);
    EXPECT_NE(Sources[1].Position.y, dropped.y);
    w->StopButtonClick();
    EXPECT_EQ(Sources[1].Position.y, dropped.y);
    EXPECT_EQ(Sources[1].Position.x, dropped.x);
    // Pause holds the source where it is.
    w->LoopButtonClick();
    frames(2);
    w->PauseButtonClick();
    const BASS_3DVECTOR held = Sources[1].Position;
    EXPECT_FALSE(w->MotionTimer->isActive());
    w->MotionFrame();
    EXPECT_EQ(Sources[1].Position.x, held.x);
    // Play goes on from there.
    w->LoopButtonClick();
    EXPECT_NEAR(Sources[1].Position.x, held.x, 0.1f);
}

// Counts the moves of a widget.
class MoveCounter : public QObject {
public:
    explicit MoveCounter(QObject* watched) { watched->installEventFilter(this); }
    int moves = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        moves += e->type() == QEvent::Move;
        return false;
    }
};

TEST_F(Motion, MarkersAndBarsFollowAtTheirOwnRatesAndStopWhereTheSoundStops) {
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 1});
    load(2, {0, 0, -1});
    // Across both views and back, once a second, each channel its own way in Z.
    for (int n : {1, 2}) {
        const float z = n == 1 ? -1.f : 1.f;
        w->SetChannelMotion(
            n, TMotionPath{TMotionMode::Loop, {{0, -2, 0, z}, {0.5, 2, 0, -z}, {1, -2, 0, z}}});
    }
    w->MakeChannelCurrent(1);
    MoveCounter marker(FrontMarkers[1]), other(TopMarkers[2]);
    int barMoves = 0;
    QObject::connect(w->ScrollBarX, &QScrollBar::valueChanged, [&] { ++barMoves; });
    w->LoopButtonClick();
    frames(2);
    const int frames0 = w->MotionFrames, drawn0 = w->MarkerFrames;
    const int moves0 = marker.moves, otherMoves0 = other.moves, bars0 = barMoves;
    QElapsedTimer clock;
    clock.start();
    frames(60);
    const double elapsed = clock.nsecsElapsed() / 1e9;
    const int ran = w->MotionFrames - frames0, drawn = w->MarkerFrames - drawn0;
    // The frames come every 15 ms at the most, the markers' turn every 33 ms,
    // the bars' every 100 ms: however late the frames run, no more draws than
    // turns, and no fewer than one in three frames.
    EXPECT_GE(drawn, ran / 3);
    EXPECT_LE(drawn, elapsed * 30 + 2);
    EXPECT_LE(marker.moves - moves0, drawn);
    EXPECT_GE(marker.moves - moves0, drawn / 2) << "the marker moves when drawn";
    EXPECT_GE(other.moves - otherMoves0, drawn / 2) << "every moving channel's marker";
    EXPECT_LE(barMoves - bars0, elapsed * 10 + 2);
    EXPECT_GE(barMoves - bars0, 1);

    // Pause: every marker and the bars show at once where the sound holds.
    w->PauseButtonClick();
    for (int n : {1, 2}) {
        EXPECT_EQ(FrontMarkers[n]->x(), coords::XToPixel(Sources[n].Position.x, UnitsPerStep,
                                                         PixelsPerStep, MarkerHalfWidth));
        EXPECT_EQ(TopMarkers[n]->y(), coords::YZToPixel(Sources[n].Position.z, UnitsPerStep,
                                                        PixelsPerStep, MarkerHalfHeight));
    }
    EXPECT_EQ(w->ScrollBarX->position(), coords::XToStep(Sources[1].Position.x, UnitsPerStep));
    // Stop: back at rest, drawn there.
    w->StopButtonClick();
    EXPECT_EQ(Sources[1].Position.z, 1.f);
    EXPECT_EQ(TopMarkers[1]->y(),
              coords::YZToPixel(1.f, UnitsPerStep, PixelsPerStep, MarkerHalfHeight));
    EXPECT_EQ(w->ScrollBarZ->position(), coords::YZToStep(1.f, UnitsPerStep));
}

// The views as the window shows them (its backing store, as the offscreen
// screen hands it out): markers moved together leave nothing behind.
TEST_F(Motion, MarkersMovedTogetherLeaveNothingBehindOnScreen) {
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    // Crossing circles of three sizes, and a channel that stands still.
    for (int n : {1, 2, 3}) {
        load(n, {0, 0, 0});
        TMotionPath circle{TMotionMode::Loop, {}};
        for (int i = 0; i <= 30; ++i) {
            const double a = 2 * M_PI * i / 30 + n;
            circle.Points.push_back({i / 30.0, static_cast<float>(0.5 * n * std::cos(a)),
                                     static_cast<float>(0.3 * n * std::sin(a)),
                                     static_cast<float>(0.5 * n * std::sin(a))});
        }
        w->SetChannelMotion(n, circle);
    }
    load(4, {0.4f, 0.2f, 0.4f});
    // Each view on screen, once the pending repaint is done, as drawn afresh.
    const auto fresh = [&](QWidget* panel) {
        QCoreApplication::sendPostedEvents(w.get(), QEvent::UpdateRequest);
        const QPoint at = panel->mapTo(w.get(), QPoint(0, 0));
        const QPixmap shown =
            w->screen()->grabWindow(w->winId(), at.x(), at.y(), panel->width(), panel->height());
        return shown.toImage().convertToFormat(QImage::Format_RGB32) ==
               panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    w->LoopButtonClick();
    for (int turn = 0; turn < 6; ++turn) {
        const int until = w->MarkerFrames + 2;
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MarkerFrames >= until; }, 5000));
        for (QWidget* panel : {w->Panel1, w->Panel2})
            ASSERT_TRUE(fresh(panel)) << "turn " << turn;
    }
    w->StopButtonClick();
    EXPECT_EQ(FrontMarkers[2]->pos(),
              QPoint(coords::XToPixel(0, UnitsPerStep, PixelsPerStep, MarkerHalfWidth),
                     coords::YZToPixel(0, UnitsPerStep, PixelsPerStep, MarkerHalfHeight)));
    for (QWidget* panel : {w->Panel1, w->Panel2})
        EXPECT_TRUE(fresh(panel)) << "at rest";
}

TEST_F(Motion, AMovementOverOscIsRecordedAndItsPlaybackFedBack) {
    testsupport::TempDir config;
    testsupport::UseSettingsFolder(config.path());
    start();
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 0});
    testsupport::OscPeer controller;
    testsupport::SwitchRemoteOn(*w, controller);

    // Started by the controller, stopped by Ctrl+R.
    lo_send(controller.to(), "/phonara/record", "i", 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->MotionRecording(); }, 3000));
    frames(3);
    for (float x : {0.2f, 0.4f, -0.4f}) {
        lo_send(controller.to(), "/adm/obj/1/x", "f", x);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return std::abs(Sources[1].Position.x - x * 2.5f) < 1e-5f; }, 3000));
        frames(4);
    }
    lo_send(controller.to(), "/phonara/record", "s", "yes"); // refused: not 1 or 0
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->Remote->Protocol().Count().refused == 1; }, 3000));
    EXPECT_TRUE(w->MotionRecording());
    QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_FALSE(w->MotionRecording());
    const TMotionPath* path = w->ChannelMotion(1);
    ASSERT_TRUE(path);
    std::vector<float> places;
    for (const TMotionPoint& p : path->Points)
        if (places.empty() || places.back() != p.X)
            places.push_back(p.X);
    ASSERT_EQ(places.size(), 4u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR(places[i], (std::array<float, 4>{0.f, 0.5f, 1.f, -1.f})[i], 1e-5f);
    const float last = places.back();

    // Playing it moves the source; the controller hears of it at most 30
    // times a second.
    controller.forget();
    w->LoopButtonClick();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sources[1].Position.x == last; }, 5000));
    const double seconds = clock.nsecsElapsed() / 1e9;
    int moves = 0;
    for (const auto& m : controller.received())
        moves += m.path == "/adm/obj/1/xyz";
    EXPECT_GE(moves, 2);
    EXPECT_LE(moves, 30 * seconds + 2);
    w->StopButtonClick();
    EXPECT_EQ(Sources[1].Position.x, last) << "it rests where the controller left it";
}

TEST_F(Motion, MenuItemsSwitchAndClearTheSelectedChannelsPaths) {
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 0});
    load(2, {1, 0, 0});
    const TMotionPath line{TMotionMode::Loop, {{0, 0, 0, 0}, {1, 1, 1, 0}, {2, -1, 1, 0}}};
    w->SetChannelMotion(1, line);
    w->SetChannelMotion(2, line);
    Sources[2].Selected = false;
    ASSERT_EQ(w->Image1->Paths().size(), 2);
    EXPECT_EQ(w->Image1->Paths()[0].size(), 4) << "a loop's line closes";

    w->MotionModeAction->trigger();
    EXPECT_EQ(w->ChannelMotion(1)->Mode, TMotionMode::Once);
    EXPECT_EQ(w->ChannelMotion(2)->Mode, TMotionMode::Loop) << "not selected";
    EXPECT_EQ(w->Image1->Paths()[0].size(), 3);
    w->MotionModeAction->trigger();
    EXPECT_EQ(w->ChannelMotion(1)->Mode, TMotionMode::Loop);

    w->ClearMotionAction->trigger();
    EXPECT_FALSE(w->ChannelMotion(1));
    EXPECT_TRUE(w->ChannelMotion(2));
    EXPECT_EQ(w->Image1->Paths().size(), 1);
    EXPECT_EQ(w->Image2->Paths().size(), 1);
    // A file loaded in its place takes the path away with the old one.
    ASSERT_TRUE(w->LoadChannelFile(2, file));
    w->RepaintGrid();
    EXPECT_FALSE(w->ChannelMotion(2));
    EXPECT_TRUE(w->Image1->Paths().isEmpty());
}

// The command line's export of a source circling the listener once a second:
// right, in front, left, behind, right again.
TEST(MotionExport, ACirclingPathSwingsLeftAndRightWithItsPeriod) {
    testsupport::TempDir dir;
    const std::string tone = dir.file("tone.wav"), list = dir.file("circle.pna"),
                      out = dir.file("out.wav");
    ASSERT_TRUE(testsupport::writeTone(tone, {.seconds = 2.0}));
    const TMotionPath circle{
        TMotionMode::Loop,
        {{0, 2, 0, 0}, {0.25, 0, 0, 2}, {0.5, -2, 0, 0}, {0.75, 0, 0, -2}, {1, 2, 0, 0}}};
    ASSERT_TRUE(
        WriteFileReplacing(list, FormatPlaylist(0, 0, {{.FileName = tone, .Motion = circle}})));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ALSOFT_DRIVERS", "no-such-driver"); // the export needs no device
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationDirPath() + "/phonaraplayer",
                {"--export", QString::fromStdString(out), QString::fromStdString(list)});
    ASSERT_TRUE(child.waitForFinished(120000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    const testsupport::Sound sound = testsupport::readSound(out);
    ASSERT_GE(sound.seconds(), 1.9);
    // (right - left) / (right + left) over 60 ms around t.
    auto balance = [&](double t) {
        const double l = testsupport::rms(sound.samples, 0, t - 0.03, t + 0.03),
                     r = testsupport::rms(sound.samples, 1, t - 0.03, t + 0.03);
        return (r - l) / (r + l);
    };
    for (double turn : {0.0, 1.0}) {
        EXPECT_GT(balance(turn + 0.03), 0.4) << turn << ": on the right";
        EXPECT_NEAR(balance(turn + 0.25), 0.0, 0.25) << turn << ": in front";
        EXPECT_LT(balance(turn + 0.5), -0.4) << turn << ": on the left";
        EXPECT_NEAR(balance(turn + 0.75), 0.0, 0.25) << turn << ": behind";
    }
    // The swing is smooth: no 10 ms step moves the balance by much.
    double worst = 0;
    for (double t = 0.05; t < 1.9; t += 0.01)
        worst = std::max(worst, std::abs(balance(t + 0.01) - balance(t)));
    EXPECT_LT(worst, 0.2);
}

} // namespace
