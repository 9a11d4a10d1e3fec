// Motion paths on the real window: a drag recorded with Ctrl+R, played back
// with the channel, back at rest on Stop, and kept by the auto-save.
#include <QElapsedTimer>
#include <QTest>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

#include "OscPeer.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "channels/Placing.h"
#include "playlist/PlaylistFile.h"
#include "remote/RemoteServer.h"
#include "remote/RemoteSettings.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
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
        EXPECT_LE(std::abs(centreOf(1).x() -
                           coords::XToPixel(x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth) -
                           MarkerHalfWidth),
                  1)
            << "the marker within a pixel";
        EXPECT_NEAR(Sources[2].Position.x - Sources[1].Position.x, -1.f, 0.001f);
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

TEST_F(Motion, AMovementOverOscIsRecordedAndItsPlaybackFedBack) {
    testsupport::TempDir config;
    testsupport::UseSettingsFolder(config.path());
    start();
    ASSERT_TRUE(testsupport::writeTone(file, {.seconds = 0.5}));
    load(1, {0, 0, 0});
    const quint16 port = testsupport::FreeUdpPort(), feedbackPort = testsupport::FreeUdpPort();
    testsupport::OscPeer controller{"127.0.0.1", port, feedbackPort};
    TRemoteSettings settings;
    settings.Enabled = true;
    settings.Port = port;
    settings.FeedbackPort = feedbackPort;
    SaveRemoteSettings(settings);
    w->StartRemoteControl(port);
    ASSERT_TRUE(w->Remote && w->Remote->Listening());

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

} // namespace
