// The OSC remote control on the real library, driven over a real UDP socket
// by liblo's own sender as a controller would: objects land where ADM-OSC
// puts them and are heard there, a turned head hears the scene turn, queries
// and the window's own changes come back on the feedback port, and files are
// taken only from this machine.
#include <QCheckBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <ranges>

#include "AudioRender.h"
#include "Modal.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "RemoteOn.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/PNAP.h"
#include "channels/ChannelLevels.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "remote/RemoteDialog.h"
#include "remote/RemoteServer.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

using testsupport::Msg;
using testsupport::OscPeer;

class Remote : public RealProgramTest {
protected:
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path());
        start();
        for (const char* name : {"a.wav", "b.wav", "c.wav"})
            ASSERT_TRUE(testsupport::writeTone(
                dir.file(name), {.channels = name[0] == 'c' ? 2 : 1, .seconds = 0.25}));
    }
    // Loads the files into channels 1, 2, ... in turn.
    void load(std::initializer_list<const char*> names) {
        int n = 0;
        for (const char* name : names)
            ASSERT_TRUE(w->LoadChannelFile(++n, dir.file(name)));
    }
    // Switches the remote on, on a port the system picks, and keeps those
    // settings as the dialog would: replies and changes go to the
    // controller's port, not to a shared default.
    void listen() {
        testsupport::SwitchRemoteOn(*w, controller);
        port = w->Remote->Port();
        EXPECT_EQ(w->Remote->Settings().Port, port);
        SaveRemoteSettings(w->Remote->Settings());
        controller.sendTo("127.0.0.1", port);
    }
    static bool at(int n, float x, float y, float z) {
        const BASS_3DVECTOR& p = Sources[n].Position;
        return p.x == x && p.y == y && p.z == z;
    }
    static bool waitUntil(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }
    // Both views' markers of channel n stand at x.
    static void expectMarkersAtX(int n, float x) {
        const int pixel = coords::XToPixel(x, UnitsPerStep, PixelsPerStep, MarkerHalfWidth);
        EXPECT_EQ(FrontMarkers[n]->x(), pixel);
        EXPECT_EQ(TopMarkers[n]->x(), pixel);
    }

    // Drags channel n's marker in the front view by dx pixels.
    void drag(int n, int dx) {
        const QPoint from(FrontMarkers[n]->x() + MarkerHalfWidth,
                          FrontMarkers[n]->y() + MarkerHalfHeight);
        QTest::mousePress(w->Image1, Qt::LeftButton, {}, from);
        QTest::mouseMove(w->Image1, from + QPoint(dx, 0));
        QTest::mouseRelease(w->Image1, Qt::LeftButton, {}, from + QPoint(dx, 0));
    }

    testsupport::TempDir config, dir;
    quint16 port = 0;
    OscPeer controller;
};

TEST_F(Remote, ObjectsLandWhereTheMappingSaysAndTheAutoSaveKeepsThem) {
    load({"a.wav", "b.wav", "c.wav"});
    ASSERT_EQ(w->StringGrid1->row(), 1);
    listen();
    lo_send(controller.to(), "/adm/obj/1/xyz", "fff", 1.0, 0.0, 0.0);
    lo_send(controller.to(), "/adm/obj/2/aed", "fff", 30.0, 0.0, 1.0);
    lo_send(controller.to(), "/adm/obj/3/xyz", "iii", -1, 0, 0); // ints taken for floats
    ASSERT_TRUE(waitUntil([] { return at(1, 2.5f, 0, 0) && at(3, -2.5f, 0, 0); }));

    // Azimuth +30 is to the left and in front.
    EXPECT_FLOAT_EQ(Sources[2].Position.x, -1.25f);
    EXPECT_FLOAT_EQ(Sources[2].Position.z, static_cast<float>(2.5 * std::sqrt(3.0) / 2));
    EXPECT_LT(TopMarkers[2]->x() + MarkerHalfWidth, ViewCentre);
    EXPECT_LT(TopMarkers[2]->y() + MarkerHalfHeight, ViewCentre);
    // Channel 1, the current one: markers, bars and labels show it.
    expectMarkersAtX(1, 2.5f);
    EXPECT_EQ(w->ScrollBarX->position(), 49);
    EXPECT_EQ(w->ScrollBarX2->position(), 49);
    EXPECT_EQ(w->LabelX->text(), "X=2.5");
    // The plain stereo channel pans and keeps its volume, as on a drag.
    DWORD volume = 0;
    int pan = 0;
    ASSERT_TRUE(BASS_ChannelGetAttributes(Sources[3].Handle, nullptr, &volume, &pan));
    EXPECT_EQ(pan, -99);
    EXPECT_EQ(volume, 100u);
    BASS_3DVECTOR heard{};
    ASSERT_TRUE(BASS_ChannelGet3DPosition(Sources[1].Handle, &heard, nullptr, nullptr));
    EXPECT_EQ(heard.x, 2.5f);

    // Out of the cube: clamped to the bars' range, never refused.
    lo_send(controller.to(), "/adm/obj/1/z", "f", 7.0);
    ASSERT_TRUE(waitUntil([] { return at(1, 2.5f, 2.5f, 0); }));
    EXPECT_EQ(w->LabelY->text(), "Y=2.5");
    EXPECT_EQ(w->Remote->Protocol().Count().refused, 0u);

    // The auto-save holds the places: read back into a fresh start.
    w->AutoSavePath = dir.file("auto.pna");
    w->WriteAutoSave();
    const BASS_3DVECTOR second = Sources[2].Position;
    start();
    w->OpenPlaylist(dir.file("auto.pna"));
    EXPECT_TRUE(at(1, 2.5f, 2.5f, 0));
    EXPECT_TRUE(at(2, second.x, second.y, second.z));
    EXPECT_TRUE(at(3, -2.5f, 0, 0));
}

// On the loopback device: a source sent to x = 1 is heard right; back in
// front, a head turned 90 degrees left hears it on the right, in every form.
TEST_F(Remote, ASourceSentRightAndAHeadTurnedLeftAreHeard) {
    BASS_Free(); // the window's null output makes way for the loopback device
    testsupport::LoopbackDevice device;
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
    SetReverbDefaults();
    ASSERT_TRUE(w->LoadChannelFile(1, dir.file("a.wav")));
    w->LoopButtonClick();
    listen();
    auto balance = [] {
        const auto out = testsupport::render(0.15);
        return testsupport::rms(out, 1, 0.05) / testsupport::rms(out, 0, 0.05);
    };

    EXPECT_NEAR(balance(), 1.0, 0.1);
    lo_send(controller.to(), "/adm/obj/1/x", "f", 1.0);
    ASSERT_TRUE(waitUntil([] { return at(1, 2.5f, 0, 0); }));
    EXPECT_GT(balance(), 2.0) << "right";

    lo_send(controller.to(), "/adm/obj/1/xyz", "fff", 0.0, 0.8, 0.0);
    ASSERT_TRUE(waitUntil([] { return at(1, 0, 0, 2); }));
    EXPECT_NEAR(balance(), 1.0, 0.1) << "in front";
    EXPECT_TRUE(w->Image2->Line().isNull()) << "straight ahead: the figure as it was";
    lo_send(controller.to(), "/adm/lis/ypr", "fff", 90.0, 0.0, 0.0);
    ASSERT_TRUE(waitUntil([&] { return !w->Image2->Line().isNull(); }));
    EXPECT_LT(w->Image2->Line().x2(), ViewCentre) << "the line points left, where the head looks";
    EXPECT_GT(balance(), 2.0) << "the front heard on the right";

    // The tracker's scene rotation for the same turn, as a quaternion, after
    // a look straight ahead: the same line.
    const QLine left = w->Image2->Line();
    lo_send(controller.to(), "/adm/lis/ypr", "fff", 0.0, 0.0, 0.0);
    ASSERT_TRUE(waitUntil([&] { return w->Image2->Line().isNull(); }));
    const double h = -45 * M_PI / 180; // half of a scene yaw of -90 degrees
    lo_send(controller.to(), "/SceneRotator/quaternions", "ffff", std::cos(h), 0.0, 0.0,
            std::sin(h));
    ASSERT_TRUE(waitUntil([&] { return w->Image2->Line() == left; }));
    // Recentred: the turned head looks straight ahead again.
    lo_send(controller.to(), "/phonara/listener/recentre", "");
    ASSERT_TRUE(waitUntil([&] { return w->Image2->Line().isNull(); }));
    EXPECT_NEAR(balance(), 1.0, 0.1);
}

// Queries are answered on the feedback port; a remote move is not echoed back,
// a drag and the Play button are, also while a controller streams moves. Then
// a controller's burst, more datagrams than one read of the socket takes:
// every channel lands on its latest place, a query amid the moves is answered
// and datagrams over the limit are counted and dropped, cut or not.
TEST_F(Remote, QueriesDragsAStreamAndABurstAreAnsweredOnTheFeedbackPort) {
    for (int n = 1; n <= remote::Channels; ++n)
        ASSERT_TRUE(w->LoadChannelFile(n, dir.file(n == 3 ? "b.wav" : "a.wav")));
    listen();

    EXPECT_EQ(controller.ask("/adm/obj/1/name").text, "a.wav");
    const auto xyz = controller.ask("/adm/obj/1/xyz");
    EXPECT_EQ(xyz.types, "fff");
    EXPECT_EQ(xyz.numbers, (std::vector<double>{0, 0, 0}));

    // A remote move is not echoed: the Play button's word, sent in that
    // feedback round or a later one, comes alone.
    controller.forget();
    lo_send(controller.to(), "/adm/obj/1/xyz", "fff", 0.0, 0.5, 0.0);
    ASSERT_TRUE(waitUntil([] { return at(1, 0, 0, 1.25f); }));
    w->PlayButtonClick();
    EXPECT_EQ(controller.waitFor("/phonara/obj/1/play").types, "");
    EXPECT_EQ(controller.count("/adm/obj/1/xyz"), 0u) << "a remote move is not echoed";

    drag(1, 75);
    ASSERT_FLOAT_EQ(Sources[1].Position.x, 1.5f);
    const auto dragged = controller.waitFor("/adm/obj/1/xyz");
    ASSERT_EQ(dragged.numbers.size(), 3u);
    EXPECT_NEAR(dragged.numbers[0], 0.6, 1e-6);
    EXPECT_NEAR(dragged.numbers[1], 0.5, 1e-6);
    EXPECT_EQ(controller.waitFor("/adm/obj/1/aed").numbers.size(), 3u);

    // While a controller streams moves, the frames read the socket and send
    // the feedback themselves: nothing may wait for the stream to end.
    int sent = 0;
    QTimer fader;
    // The last x sent, as the window holds it.
    auto faded = [&] { return static_cast<float>(2.5 * static_cast<float>((sent % 50) / 50.0)); };
    QObject::connect(&fader, &QTimer::timeout,
                     [&] { lo_send(controller.to(), "/adm/obj/2/x", "f", (++sent % 50) / 50.0); });
    fader.start(5);
    ASSERT_TRUE(waitUntil([&] { return sent > 20 && Sources[2].Position.x > 0; }));
    const int before = sent;
    EXPECT_EQ(controller.ask("/adm/obj/1/name").text, "a.wav");
    drag(1, -125);
    const auto midStream = controller.waitFor("/adm/obj/1/xyz");
    ASSERT_EQ(midStream.numbers.size(), 3u);
    EXPECT_NEAR(midStream.numbers[0], -0.4, 1e-6);
    EXPECT_GT(sent, before) << "the stream went on meanwhile";
    fader.stop();
    // The stream over and its last move applied, the socket wakes the window
    // again by itself.
    ASSERT_TRUE(waitUntil([&] { return Sources[2].Position.x == faded(); }));
    EXPECT_EQ(controller.ask("/adm/obj/2/name").text, "a.wav");

    const uint64_t malformed = w->Remote->Protocol().Count().malformed;
    QUdpSocket other;
    for (int i = 0; i < 2 * remote::Channels; ++i) { // two rounds, a query and junk amid the second
        const std::string path = "/adm/obj/" + std::to_string(i % remote::Channels + 1) + "/xyz";
        lo_send(controller.to(), path.c_str(), "fff", i < remote::Channels ? -0.5 : 0.5, 0.0, 0.0);
        if (i == remote::Channels + 15) {
            lo_send(controller.to(), "/adm/obj/3/name", "");
            for (const qsizetype size : {qsizetype{remote::MaxDatagram + 1}, qsizetype{9000}})
                other.writeDatagram(QByteArray(size, '/'), QHostAddress::LocalHost, port);
        }
    }
    ASSERT_TRUE(waitUntil([] {
        return std::ranges::all_of(std::views::iota(1, remote::Channels + 1),
                                   [](int n) { return at(n, 1.25f, 0, 0); });
    }));
    EXPECT_EQ(controller.waitFor("/adm/obj/3/name").text, "b.wav");
    ASSERT_TRUE(
        waitUntil([&] { return w->Remote->Protocol().Count().malformed == malformed + 2; }));
    EXPECT_EQ(w->Remote->Protocol().Count().refused, 0u);
    expectMarkersAtX(remote::Channels, 1.25f);
}

// Each message sees what the one before it left, in a bundle and in
// datagrams in a row: a file is loaded, placed and played at once. A refused
// message is told why, an empty channel answers a query, and one datagram
// gets no more than 64 replies.
TEST_F(Remote, MessagesApplyInOrderRefusalsAreToldAndRepliesAreCapped) {
    load({"a.wav"});
    listen();
    // What channel 2 goes through, and its state word at each change.
    std::vector<std::string> seen;
    const int watching = w->Arrangement.Observe([&](const TChange& c) {
        if (c.Channel == 2)
            seen.push_back(std::to_string(static_cast<int>(c.Field)) + " " +
                           w->StringGrid1->cell(2, 2).toStdString());
    });
    ASSERT_TRUE(controller.sendBundle({{"/phonara/obj/2/load", Msg("s", dir.file("b.wav").c_str())},
                                       {"/adm/obj/2/xyz", Msg("fff", 1.0, 0.0, 0.0)},
                                       {"/phonara/obj/2/loop", Msg("")}}));
    lo_send(controller.to(), "/phonara/obj/3/load", "s", dir.file("c.wav").c_str());
    lo_send(controller.to(), "/adm/obj/3/x", "f", -1.0);
    ASSERT_TRUE(waitUntil([] { return at(2, 2.5f, 0, 0) && at(3, -2.5f, 0, 0); }));
    EXPECT_TRUE(Sources[2].Loaded && Sources[3].Loaded);
    EXPECT_TRUE(Sources[2].FileName.ends_with("b.wav"));
    EXPECT_EQ(w->StringGrid1->cell(2, 2), "loop");
    EXPECT_EQ(seen, (std::vector<std::string>{"0 stop", "1 stop"}))
        << "loaded, then placed, both before it loops";
    w->Arrangement.Forget(watching);
    expectMarkersAtX(2, 2.5f);
    expectMarkersAtX(3, -2.5f);
    EXPECT_EQ(w->Remote->Protocol().Count().refused, 0u);

    lo_send(controller.to(), "/adm/obj/9/xyz", "fff", 1.0, 0.0, 0.0);
    EXPECT_EQ(controller.waitFor(remote::RefusedAddress).strings,
              (std::vector<std::string>{"/adm/obj/9/xyz", "empty channel"}));
    const auto name = controller.ask("/adm/obj/9/name");
    EXPECT_EQ(name.types + name.text, "s") << "an empty channel has an empty name";
    EXPECT_EQ(controller.ask("/adm/obj/9/xyz").numbers, (std::vector<double>{0, 0, 0}));

    // Every reply to a datagram goes before the next datagram's.
    controller.forget();
    lo_send(controller.to(), "/adm/obj/*/*", "");
    lo_send(controller.to(), "/adm/lis/ypr", "");
    ASSERT_EQ(controller.waitFor("/adm/lis/ypr").numbers.size(), 3u);
    const auto replies = controller.received();
    EXPECT_EQ(std::ranges::count_if(replies,
                                    [](const auto& m) { return m.path.starts_with("/adm/obj/"); }),
              remote::MaxReplies);
}

// A controller's gain within the same feedback round as a drag of the same
// channel in the window: the drag is sent, the gain is not echoed.
TEST_F(Remote, AControllersCommandSwallowsNoChangeMadeInTheWindow) {
    load({"a.wav", "b.wav", "c.wav"});
    listen();
    // Channel 3 apart from the others, so that a drag picks it.
    lo_send(controller.to(), "/adm/obj/3/x", "f", -0.5);
    ASSERT_TRUE(waitUntil([] { return at(3, -1.25f, 0, 0); }));
    drag(3, 50);
    lo_send(controller.to(), "/adm/obj/3/gain", "f", 0.5);
    ASSERT_TRUE(waitUntil([] { return ChannelLevels[3].Gain == 0.5f; }));
    const auto dragged = controller.waitFor("/adm/obj/3/xyz");
    ASSERT_EQ(dragged.numbers.size(), 3u);
    EXPECT_NEAR(dragged.numbers[0], Sources[3].Position.x / 2.5, 1e-6);
    EXPECT_GT(dragged.numbers[0], -0.2) << "right of where the controller put it";
    EXPECT_EQ(controller.count("/adm/obj/3/gain"), 0u) << "the controller's own gain";
}

// A client nobody here wrote: liblo's oscsend, one message per run.
TEST_F(Remote, OscsendLoadsPlacesAndAsks) {
    const QString oscsend = QStandardPaths::findExecutable("oscsend");
    ASSERT_FALSE(oscsend.isEmpty()) << "oscsend (liblo-tools, scripts/setup) is missing";
    listen();
    auto send = [&](const QStringList& message) {
        QProcess run;
        run.start(oscsend, QStringList{"127.0.0.1", QString::number(port)} + message);
        return run.waitForFinished(10000) && run.exitCode() == 0;
    };
    ASSERT_TRUE(send({"/phonara/obj/4/load", "s", QString::fromStdString(dir.file("a.wav"))}));
    ASSERT_TRUE(send({"/adm/obj/4/xyz", "fff", "-1", "0", "0.5"}));
    ASSERT_TRUE(waitUntil([] { return Sources[4].Loaded && at(4, -2.5f, 1.25f, 0); }));
    ASSERT_TRUE(send({"/adm/obj/4/name"}));
    EXPECT_EQ(controller.waitFor("/adm/obj/4/name").text, "a.wav");
}

// Qt's own event loop (QT_NO_GLIB=1) warns of two notifiers on one socket:
// the remote's socket has one watcher. In a child run of a remote scenario,
// since the event loop is chosen when the program starts.
TEST(RemoteSocket, OneWatcherUnderQtsOwnEventLoop) {
    if (qEnvironmentVariableIsSet("PHONARA_REMOTE_CHILD"))
        GTEST_SKIP() << "the child itself";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_NO_GLIB", "1");
    env.insert("PHONARA_REMOTE_CHILD", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=Remote.MessagesApplyInOrderRefusalsAreToldAndRepliesAreCapped"});
    ASSERT_TRUE(child.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    const QString err = QString::fromLocal8Bit(child.readAllStandardError());
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString() << err.toStdString();
    EXPECT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
    EXPECT_FALSE(err.contains("socket notifier", Qt::CaseInsensitive)) << err.toStdString();
}

// Files only from this machine; other machines only when all interfaces
// listen, and then they are told nothing (no replies, no refusals, no
// feedback with file names) unless theirs is the controller's address.
TEST_F(Remote, FilesOnlyFromThisMachineAndOtherMachinesOnlyWhenAllInterfacesListen) {
    const QHostAddress outside = testsupport::OutsideAddress();
    if (outside.isNull())
        GTEST_SKIP() << "this machine has no address but the loopback";
    ASSERT_TRUE(w->LoadChannelFile(1, dir.file("a.wav")));
    listen();
    // This machine's outside address stands for another machine's.
    w->Remote->ownAddresses = [] { return QList<QHostAddress>(); };
    EXPECT_EQ(w->Remote->Address(), QHostAddress(QHostAddress::LocalHost));
    // The stranger listens on this machine's outside address, on the port
    // replies and feedback go to.
    OscPeer stranger(outside, controller.port());
    ASSERT_TRUE(stranger.listening());
    stranger.sendTo(outside.toString().toStdString(), port);
    lo_send(stranger.to(), "/adm/obj/1/xyz", "fff", 1.0, 0.0, 0.0);
    // A datagram sent after it through the loopback: once it is taken, the
    // stranger's would have been too.
    lo_send(controller.to(), "/adm/obj/1/y", "f", 0.5);
    ASSERT_TRUE(waitUntil([] { return at(1, 0, 0, 1.25f); }));
    EXPECT_EQ(w->Remote->Protocol().Count().taken, 1u)
        << "nothing reaches a socket on 127.0.0.1 from outside";

    // "All interfaces" switched on in the dialog, and kept.
    const int dialogs = testsupport::HandleModals([&] { w->RemoteControlAction->trigger(); },
                                                  [](QWidget* modal) {
                                                      auto* d = qobject_cast<TRemoteDialog*>(modal);
                                                      ASSERT_TRUE(d);
                                                      EXPECT_TRUE(d->EnabledBox->isChecked());
                                                      d->AllInterfacesBox->setChecked(true);
                                                      d->accept();
                                                  });
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(LoadRemoteSettings().AllInterfaces);
    ASSERT_TRUE(w->Remote->Listening());
    EXPECT_NE(w->Remote->Address(), QHostAddress(QHostAddress::LocalHost));

    lo_send(stranger.to(), "/adm/obj/1/xyz", "fff", 1.0, 0.0, 0.0);
    ASSERT_TRUE(waitUntil([] { return at(1, 2.5f, 0, 0); }));
    const uint64_t refused = w->Remote->Protocol().Count().refused;
    lo_send(stranger.to(), "/adm/obj/*/*", ""); // 20 bytes, once 384 replies
    lo_send(stranger.to(), "/phonara/obj/2/load", "s", dir.file("b.wav").c_str());
    ASSERT_TRUE(waitUntil([&] { return w->Remote->Protocol().Count().refused == refused + 2; }));
    EXPECT_FALSE(Sources[2].Loaded);
    EXPECT_TRUE(w->Remote->Status().contains(QString("拒否 %1").arg(refused + 2)))
        << w->Remote->Status().toStdString();
    // The window's changes go to the controller here, the last sender that
    // is answered: by the time they arrive, anything for the stranger would have.
    drag(1, -50);
    EXPECT_EQ(controller.waitFor("/adm/obj/1/xyz").numbers.size(), 3u);
    EXPECT_TRUE(stranger.received().empty()) << stranger.received().front().path;

    // Its address made the controller's: answered, told why, fed back.
    TRemoteSettings settings = w->Remote->Settings();
    settings.FeedbackHost = outside.toString();
    ASSERT_TRUE(w->Remote->Apply(settings));
    EXPECT_EQ(stranger.ask("/adm/obj/1/name").text, "a.wav");
    lo_send(stranger.to(), "/phonara/obj/2/load", "s", dir.file("b.wav").c_str());
    EXPECT_EQ(stranger.waitFor(remote::RefusedAddress).strings,
              (std::vector<std::string>{"/phonara/obj/2/load", "only from this machine"}));

    lo_send(controller.to(), "/phonara/obj/2/load", "s", dir.file("b.wav").c_str());
    ASSERT_TRUE(waitUntil([] { return Sources[2].Loaded; }));
    EXPECT_TRUE(FrontMarkers[2]->isVisible());
}

} // namespace
