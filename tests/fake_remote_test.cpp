// The remote control's gain, mute, per-channel transport and head tracking
// reach the audio library as the window's own commands would, checked on the
// recording double; the messages come over a real socket from liblo's sender.
#include "FakeProgram.h"
#include "QtPrinters.h"
#include "RemoteOn.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "remote/RemoteServer.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

class RemoteOnFake : public FakeProgramTest {
protected:
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path());
        FakeProgramTest::SetUp();
        testsupport::SwitchRemoteOn(*w, controller);
    }
    int volume(int n) { return fake::channel(Sources[n].Handle).volume; }
    bool wait(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }

    testsupport::TempDir config;
    testsupport::OscPeer controller;
};

TEST_F(RemoteOnFake, GainAndMuteMultiplyTheVolumeWhereverItIsSet) {
    load(1, {0, 0, 0}, false);
    load(2, {0, 0, 1.25f}, true, "/s/two.wav"); // stereo: volume 81 from its distance
    w->MakeChannelCurrent(2);

    lo_send(controller.to(), "/adm/obj/1/gain", "f", 0.5);
    ASSERT_TRUE(wait([&] { return volume(1) == 50; }));
    lo_send(controller.to(), "/adm/obj/1/mute", "i", 1);
    ASSERT_TRUE(wait([&] { return volume(1) == 0; }));
    EXPECT_EQ(w->StringGrid1->cell(2, 1), "stop") << "the state word stays";
    lo_send(controller.to(), "/adm/obj/1/mute", "i", 0);
    ASSERT_TRUE(wait([&] { return volume(1) == 50; }));
    lo_send(controller.to(), "/adm/obj/*/gain", "f", 2.0);
    ASSERT_TRUE(wait([&] { return volume(1) == 100; })) << "above 1 is taken as 1";
    EXPECT_EQ(volume(2), 81);

    lo_send(controller.to(), "/adm/obj/2/gain", "f", 0.5);
    ASSERT_TRUE(wait([&] { return volume(2) == 40; }));
    // The bar moves the stereo channel to the X axis: full volume, halved.
    w->ScrollBarZ->setPosition(0);
    EXPECT_EQ(Sources[2].Position.z, 0.f);
    EXPECT_EQ(volume(2), 50);
    // A remote move pans it as a drag does, and keeps the gain.
    lo_send(controller.to(), "/adm/obj/2/xyz", "fff", 1.0, 0.0, 0.0);
    ASSERT_TRUE(wait([&] { return fake::channel(Sources[2].Handle).pan == 99; }));
    EXPECT_EQ(volume(2), 50);
    // A file loaded into a channel keeps the channel's gain.
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/song.mod"));
    lo_send(controller.to(), "/adm/obj/1/gain", "f", 0.25);
    ASSERT_TRUE(wait([&] { return volume(1) == 25; }));
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    EXPECT_EQ(volume(1), 25);
}

TEST_F(RemoteOnFake, TheHeadReachesTheListenerAndTransportOnlyTheNamedChannel) {
    auto front = [] { return fake::state().listenerFront; };
    lo_send(controller.to(), "/adm/lis/ypr", "fff", 90.0, 0.0, 0.0);
    ASSERT_TRUE(wait([&] { return !fake::calls("AUDIOLIB_SetListenerOrientation").empty(); }));
    EXPECT_NEAR(front().x, -1, 1e-6);
    EXPECT_NEAR(front().z, 0, 1e-6);
    EXPECT_NEAR(fake::state().listenerTop.y, 1, 1e-6);
    // Applied with the positions.
    EXPECT_EQ(fake::state().calls.back().name, "BASS_Apply3D");
    const QLine line = w->Image2->Line();
    EXPECT_EQ(line.p1(), QPoint(125, 125));
    EXPECT_EQ(line.p2(), QPoint(85, 125)) << "a short line to the left";

    // Recentred on the head turned left; the tracker's scene rotation then
    // sent one axis at a time: its own straight ahead lies to the right.
    lo_send(controller.to(), "/phonara/listener/recentre", "");
    ASSERT_TRUE(wait([&] { return w->Image2->Line().isNull(); }));
    EXPECT_NEAR(front().z, 1, 1e-6);
    lo_send(controller.to(), "/yaw", "f", 0.0);
    ASSERT_TRUE(wait([&] { return front().x > 0.99f; })) << "90 degrees right of the new centre";
    EXPECT_EQ(w->Image2->Line().p2(), QPoint(165, 125));

    // Transport acts on the named channels only.
    load(1, {0, 0, 0}, true);
    load(2, {0, 0, 0}, false);
    load(3, {0, 0, 0}, false);
    lo_send(controller.to(), "/phonara/obj/2/play", "");
    lo_send(controller.to(), "/phonara/obj/3/loop", "i", 1);
    ASSERT_TRUE(wait([&] { return w->StringGrid1->cell(2, 3) == "loop"; }));
    EXPECT_EQ(w->StringGrid1->cell(2, 2), "play");
    EXPECT_EQ(w->StringGrid1->cell(2, 1), "stop") << "the selected channel is not touched";
    EXPECT_EQ(fake::channel(Sources[2].Handle).state, DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(fake::channel(Sources[1].Handle).state, DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(fake::channel(Sources[3].Handle).flags & BASS_SAMPLE_LOOP);
    lo_send(controller.to(), "/phonara/obj/[23]/pause", "");
    ASSERT_TRUE(wait([&] { return w->StringGrid1->cell(2, 3) == "pause"; }));
    EXPECT_EQ(w->StringGrid1->cell(2, 2), "pause");
    lo_send(controller.to(), "/phonara/obj/2/stop", "");
    ASSERT_TRUE(wait([&] { return w->StringGrid1->cell(2, 2) == "stop"; }));
    EXPECT_EQ(fake::channel(Sources[2].Handle).position, 0u);
}

} // namespace
