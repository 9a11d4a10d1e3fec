// Features used together, as a user combines them in one evening: each row
// pairs two of them (undo, motion paths, the remote control, recording) in a
// short scenario through the window's own handlers and a real OSC socket, on
// the recording double of the audio library, and says what it must leave.
#include <QAction>
#include <QApplication>
#include <QSlider>
#include <algorithm>
#include <functional>

#include "FakeProgram.h"
#include "RemoteOn.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/Language.h"
#include "audio/ErrorReasons.h"
#include "remote/RemoteServer.h"
#include "undo/UndoHistory.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"

namespace {

struct Row {
    const char* name;
    std::function<void(class Pairs&)> run;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class Pairs : public FakeProgramTest, public ::testing::WithParamInterface<Row> {
public:
    using FakeProgramTest::load;
    using FakeProgramTest::w;
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path());
        FakeProgramTest::SetUp();
        testsupport::SwitchRemoteOn(*w, controller);
    }
    bool wait(const std::function<bool()>& done) { return QTest::qWaitFor(done, 3000); }
    static bool at(int n, float x) {
        const BASS_3DVECTOR& p = Sources[n].Position;
        return p.x == x && p.y == 0 && p.z == 0;
    }
    // Channel n on a loop path that never passes the origin, playing.
    void playOnPath(int n) {
        load(n, {0, 0, 0}, true);
        w->SetChannelMotion(
            n, TMotionPath{TMotionMode::Loop, {{0, -1, 0, 0}, {1, -2, 0, 0}, {2, -1, 0, 0}}});
        w->StartPlayback(false, [n](int m) { return m == n; });
    }
    // The user's key on the X bar: the selection one step to the right.
    void keyRight(int n) {
        w->MakeChannelCurrent(n);
        w->ScrollBarX->setFocus();
        QTest::keyClick(w->ScrollBarX, Qt::Key_Right);
    }
    // Whether the library was told channel n's place x and applied it
    // before its play began.
    static bool HeardAtPlay(DWORD handle, double x) {
        const std::vector<fake::Call>& calls = fake::state().calls;
        const auto is = [handle](const char* name) {
            return [=](const fake::Call& c) { return c.name == name && c.args[0] == handle; };
        };
        const auto played = std::find_if(calls.begin(), calls.end(), is("BASS_ChannelPlay"));
        const auto placed = std::find_if(calls.begin(), played, [&](const fake::Call& c) {
            return is("BASS_ChannelSet3DPosition")(c) && c.args[1] == x;
        });
        return std::any_of(placed, played,
                           [](const fake::Call& c) { return c.name == "BASS_Apply3D"; });
    }

    testsupport::TempDir config;
    testsupport::OscPeer controller;
};

using testsupport::Msg;

const Row Rows[] = {
    {"UndoWhilePathsPlayLeavesEveryPathMoving",
     [](Pairs& t) {
         t.playOnPath(1);
         t.playOnPath(2);
         t.w->History->Clear();
         t.w->TrackBar1->setFocus();
         QTest::keyClick(t.w->TrackBar1, Qt::Key_Up);
         ASSERT_EQ(t.w->TrackBar1->value(), 1);
         t.w->UndoAction->trigger();
         EXPECT_EQ(t.w->TrackBar1->value(), 0);
         const BASS_3DVECTOR one = Sources[1].Position, two = Sources[2].Position;
         EXPECT_TRUE(t.wait([&] { return !Pairs::at(1, one.x) && !Pairs::at(2, two.x); }))
             << "both still follow their paths";
         EXPECT_TRUE(t.w->ChannelMotion(1) && t.w->ChannelMotion(2));
     }},
    {"UndoAfterAControllersLoadKeepsTheControllersFile",
     [](Pairs& t) {
         t.load(3, {0, 0, 0}, true);
         t.keyRight(3);
         ASSERT_TRUE(Pairs::at(3, UnitsPerStep));
         lo_send(t.controller.to(), "/phonara/obj/3/load", "s", "/s/two.wav");
         ASSERT_TRUE(t.wait([] { return Sources[3].FileName == "/s/two.wav"; }));
         t.w->UndoAction->trigger();
         EXPECT_EQ(Sources[3].FileName, "/s/two.wav");
         EXPECT_TRUE(Pairs::at(3, 0)) << "the user's move is undone";
         t.w->RemoveButtonClick();
         ASSERT_FALSE(Sources[3].Loaded);
         lo_send(t.controller.to(), "/phonara/obj/3/load", "s", "/s/mono.wav");
         ASSERT_TRUE(t.wait([] { return Sources[3].FileName == "/s/mono.wav"; }));
         t.w->UndoAction->trigger();
         EXPECT_EQ(Sources[3].FileName, "/s/mono.wav") << "an undone removal loads nothing over it";
     }},
    {"ABundleLoadsPlacesThenPlays",
     [](Pairs& t) {
         ASSERT_TRUE(t.controller.sendBundle({{"/phonara/obj/2/load", Msg("s", "/s/mono.wav")},
                                              {"/adm/obj/2/xyz", Msg("fff", 0.4, 0.0, 0.0)},
                                              {"/phonara/obj/2/play", Msg("")}}));
         ASSERT_TRUE(t.wait([&] { return t.w->StringGrid1->cell(2, 2) == "play"; }));
         EXPECT_TRUE(Pairs::HeardAtPlay(Sources[2].Handle, 1.0))
             << "the first block comes from the new place";
     }},
    {"AMoveThenTheEndOfARecordingEndsThePathThere",
     [](Pairs& t) {
         t.load(1, {0, 0, 0}, true);
         t.w->MakeChannelCurrent(1);
         t.w->RecordMotionAction->trigger();
         const int from = t.w->MotionFrames;
         ASSERT_TRUE(t.wait([&] { return t.w->MotionFrames > from + 2; }));
         ASSERT_TRUE(t.controller.sendBundle(
             {{"/adm/obj/1/xyz", Msg("fff", 0.4, 0.0, 0.0)}, {"/phonara/record", Msg("f", 0.0)}}));
         ASSERT_TRUE(t.wait([&] { return !t.w->MotionRecording(); }));
         const TMotionPath* path = t.w->ChannelMotion(1);
         ASSERT_TRUE(path);
         EXPECT_EQ(path->Points.back().X, 1.f);
     }},
    {"StopAfterAControllersMoveOfAChannelOnItsPathStaysThere",
     [](Pairs& t) {
         t.playOnPath(1);
         ASSERT_TRUE(t.wait([] { return Sources[1].Position.x < 0; }));
         fake::clearCalls();
         ASSERT_TRUE(t.controller.sendBundle(
             {{"/adm/obj/1/xyz", Msg("fff", 0.4, 0.0, 0.0)}, {"/phonara/obj/1/stop", Msg("")}}));
         ASSERT_TRUE(t.wait([&] { return t.w->StringGrid1->cell(2, 1) == "stop"; }));
         for (const fake::Call& c : fake::calls("BASS_ChannelSet3DPosition"))
             EXPECT_NE(c.args[1], 0.0) << "never heard back at its old rest";
         EXPECT_TRUE(Pairs::at(1, 1.f));
         EXPECT_EQ(t.w->RestPosition(1).x, 1.f);
     }},
    {"RedoAfterAControllersChangeLeavesTheControllersPlace",
     [](Pairs& t) {
         t.load(1, {0, 0, 0}, true);
         t.keyRight(1);
         t.w->UndoAction->trigger();
         ASSERT_TRUE(Pairs::at(1, 0));
         lo_send(t.controller.to(), "/adm/obj/1/xyz", "fff", 0.4, 0.0, 0.0);
         ASSERT_TRUE(t.wait([] { return Pairs::at(1, 1.f); }));
         t.w->RedoAction->trigger();
         EXPECT_TRUE(Pairs::at(1, 1.f));
     }},
    {"AControllersLoadThatFailsIsRefusedInWordsAndNothingModalShows",
     [](Pairs& t) {
         const struct {
             const char* file;
             int code;
         } loads[] = {{"/s/bad.wav", BASS_ERROR_FORMAT}, {"/s/none.wav", BASS_ERROR_FILEOPEN}};
         for (const auto& l : loads) {
             t.controller.forget();
             lo_send(t.controller.to(), "/phonara/obj/2/load", "s", l.file);
             EXPECT_EQ(t.controller.waitFor(remote::RefusedAddress).strings,
                       (std::vector<std::string>{"/phonara/obj/2/load",
                                                 BassErrorReason(l.code, Translated)}))
                 << l.file;
         }
         EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
         EXPECT_TRUE(t.w->LoadFailures.empty()) << "nothing for the window's next report";
         EXPECT_FALSE(Sources[2].Loaded);
     }},
};

TEST_P(Pairs, LeaveWhatEachFeatureDid) {
    GetParam().run(*this);
}

INSTANTIATE_TEST_SUITE_P(Composition, Pairs, ::testing::ValuesIn(Rows),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
