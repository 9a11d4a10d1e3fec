// The remote control's pure side: ADM-OSC and head-tracker conventions mapped
// to the program's axes, and the decoder's rules for datagrams that liblo
// encodes as a controller would.
#include <array>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <numbers>
#include <string>
#include <vector>

#include "OscMessage.h"
#include "app/CommandLine.h"
#include "remote/RemoteMapping.h"
#include "remote/RemoteProtocol.h"

namespace {

using namespace remote;

void ExpectVec(const Vec3& v, const Vec3& e, const std::string& what, double tol = 1e-6) {
    EXPECT_NEAR(v.x, e.x, tol) << what;
    EXPECT_NEAR(v.y, e.y, tol) << what;
    EXPECT_NEAR(v.z, e.z, tol) << what;
}

TEST(RemoteMapping, AdmCartesianAndPolarLandOnTheProgramsAxes) {
    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2;
    struct Case {
        const char* what;
        bool polar; // adm is x right, y front, z up; or azimuth, elevation, distance
        Vec3 adm, program;
    } cases[] = {
        {"right", false, {1, 0, 0}, {2.5, 0, 0}},
        {"front", false, {0, 1, 0}, {0, 0, 2.5}},
        {"up", false, {0, 0, 1}, {0, 2.5, 0}},
        {"clamped into the cube", false, {2, -3, 0.5}, {2.5, 1.25, -2.5}},
        {"NaN counts as the centre", false, {std::nan(""), 0.4, 0}, {0, 0, 1.0}},
        {"azimuth +30 is to the left and in front", true, {30, 0, 1}, {-2.5 * s30, 0, 2.5 * c30}},
        {"azimuth -90 is right", true, {-90, 0, 0.5}, {1.25, 0, 0}},
        {"azimuth 180 is behind", true, {180, 0, 1}, {0, 0, -2.5}},
        {"elevation 90 is above", true, {40, 90, 1}, {0, 2.5, 0}},
        {"elevation -30, half way", true, {0, -30, 0.5}, {0, -1.25 * s30, 1.25 * c30}},
        {"distance clamped to 1, angles to their range", true, {-400, 0, 7}, {0, 0, -2.5}},
    };
    for (const Case& c : cases) {
        const Vec3& a = c.adm;
        ExpectVec(c.polar ? AdmAedToProgram({a.x, a.y, a.z}) : AdmXyzToProgram(a.x, a.y, a.z),
                  c.program, c.what);
    }
    ExpectVec(ProgramToAdmXyz({1.25, -2.5, 2.5}), {0.5, 1, -1}, "back from the program's axes");
    ExpectVec(ProgramToAdmXyz({9, 0, 0}), {1, 0, 0}, "a drag beyond the bars is clamped");
    const Aed back = ProgramToAdmAed(AdmAedToProgram({30, 20, 0.8}));
    ExpectVec({back.azimuth, back.elevation, back.distance}, {30, 20, 0.8}, "aed back (floats)",
              1e-5);
    const Aed origin = ProgramToAdmAed({0, 0, 0});
    EXPECT_TRUE(origin.distance == 0 && origin.azimuth == 0) << "angles 0 at the origin";
}

// A quaternion (w, x, y, z) for a turn by degrees about one axis of the
// trackers' frame, and the product of two.
using Quat = std::array<double, 4>;
Quat About(double degrees, int axis) {
    Quat q{std::cos(degrees * std::numbers::pi / 360), 0, 0, 0};
    q[static_cast<size_t>(axis) + 1] = std::sin(degrees * std::numbers::pi / 360);
    return q;
}
Quat operator*(const Quat& a, const Quat& b) {
    return {a[0] * b[0] - a[1] * b[1] - a[2] * b[2] - a[3] * b[3],
            a[0] * b[1] + a[1] * b[0] + a[2] * b[3] - a[3] * b[2],
            a[0] * b[2] - a[1] * b[3] + a[2] * b[0] + a[3] * b[1],
            a[0] * b[3] + a[1] * b[2] - a[2] * b[1] + a[3] * b[0]};
}

TEST(RemoteMapping, HeadYprSceneRotationAndQuaternionGiveTheSameListener) {
    struct Case {
        Ypr head;
        Vec3 front, top; // expected where given (NaN: only the three forms compared)
    } cases[] = {
        {{0, 0, 0}, {0, 0, 1}, {0, 1, 0}},   {{90, 0, 0}, {-1, 0, 0}, {0, 1, 0}},
        {{-90, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 90, 0}, {0, 1, 0}, {0, 0, -1}},
        {{0, 0, 90}, {0, 0, 1}, {1, 0, 0}},  {{30, 20, 10}, {NAN, 0, 0}, {}},
        {{-120, -45, 60}, {NAN, 0, 0}, {}},
    };
    for (const Case& c : cases) {
        const std::string what =
            "head ypr " +
            testing::PrintToString(std::vector<double>{c.head.yaw, c.head.pitch, c.head.roll});
        const Orientation head = HeadOrientation(c.head);
        if (!std::isnan(c.front.x)) {
            ExpectVec(head.front, c.front, what + ": front");
            ExpectVec(head.top, c.top, what + ": top");
        }
        // The scene rotation a tracker sends for this head: yaw and roll the
        // other way round.
        const Ypr scene{-c.head.yaw, c.head.pitch, -c.head.roll};
        const Orientation fromScene = HeadOrientation(HeadFromSceneYpr(scene));
        // The same scene rotation as a quaternion: roll about x (front), pitch
        // about y (left), yaw about z (up), the yaw applied first.
        const Quat q = About(scene.roll, 0) * About(scene.pitch, 1) * About(scene.yaw, 2);
        const Orientation fromQuat = HeadFromSceneQuaternion(q[0], q[1], q[2], q[3]);
        const Orientation fromScaled =
            HeadFromSceneQuaternion(2 * q[0], 2 * q[1], 2 * q[2], 2 * q[3]);
        for (const Orientation* o : {&fromScene, &fromQuat, &fromScaled}) {
            ExpectVec(o->front, head.front, what + ": same front");
            ExpectVec(o->top, head.top, what + ": same top");
        }
        const Ypr back = YprOfOrientation(head);
        if (std::fabs(c.head.pitch) < 89)
            ExpectVec({back.yaw, back.pitch, back.roll}, {c.head.yaw, c.head.pitch, c.head.roll},
                      what + ": back to ypr");
        EXPECT_EQ(IsTurned(head), c.head.yaw != 0 || c.head.pitch != 0 || c.head.roll != 0) << what;
    }
    const Orientation none = HeadFromSceneQuaternion(0, 0, 0, 0);
    EXPECT_FALSE(IsTurned(none)) << "a zero quaternion is straight ahead";
    EXPECT_FALSE(IsTurned(HeadOrientation({0.01, -0.02, 0.01}))) << "a hair is no turn";

    // Recentring: the turned head becomes straight ahead, and a further turn
    // counts from there.
    const Orientation ref = HeadOrientation({40, 10, 0});
    EXPECT_FALSE(IsTurned(Relative(ref, ref)));
    const Orientation further = Relative(HeadOrientation({130, 0, 0}), HeadOrientation({40, 0, 0}));
    ExpectVec(further.front, {-1, 0, 0}, "90 degrees beyond the new centre");
    const Ypr flipped = Inverted({10, 20, 30}, {true, false, true});
    ExpectVec({flipped.yaw, flipped.pitch, flipped.roll}, {-10, 20, -30}, "inverted", 0);
}

// ---- The decoder, fed what liblo encodes ----

// liblo's own encoding: a message with arguments as lo_send takes them, or a bundle.
Datagram Bytes(void* bytes, size_t size) {
    Datagram d(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
    std::free(bytes);
    return d;
}
using testsupport::Msg;
template <typename... Args> Datagram Osc(const std::string& path, const char* types, Args... args) {
    lo_message m = Msg(types, args...);
    size_t size = 0;
    void* bytes = lo_message_serialise(m, path.c_str(), nullptr, &size);
    lo_message_free(m);
    return Bytes(bytes, size);
}
std::vector<testsupport::OscMessage> Decode(const std::vector<Datagram>& all) {
    std::vector<testsupport::OscMessage> out;
    for (const Datagram& d : all)
        out.push_back(testsupport::DecodeOsc(d.data(), d.size()));
    return out;
}

class Decoder : public ::testing::Test {
protected:
    void SetUp() override {
        for (int n : {1, 2, 5}) {
            state[n].loaded = true;
            state[n].name = "tone" + std::to_string(n) + ".wav";
            state[n].word = "stop";
        }
        state[2].position = {1.25, 0, 0};
    }
    void Send(const Datagram& d, bool loopback = true) {
        p.Handle(d.data(), d.size(), loopback, state);
    }
    void Send(const Datagram& d, const Origin& from) { p.Handle(d.data(), d.size(), from, state); }
    Protocol p;
    State state;
};

TEST_F(Decoder, MovesMergeOnlyWithTheMoveRightBeforeAndCommandsComeInOrder) {
    for (int i = 0; i <= 100; ++i)
        Send(Osc("/adm/obj/1/xyz", "fff", i / 100.f, 0.0, 0.0));
    // /y moves channel 2 to the front and keeps its x; /azim keeps distance
    // and elevation of channel 5 at the origin (so it stays there).
    Send(Osc("/adm/obj/2/y", "f", 1.0));
    Send(Osc("/adm/obj/5/azim", "f", 45.0));
    Send(Osc("/adm/obj/2/xy", "ii", -1, 0)); // ints are taken for floats; keeps the y of the /y
    const auto moves = p.TakeMoves();
    ASSERT_EQ(moves.size(), 4u);
    const std::pair<int, Vec3> expected[] = {
        {1, {2.5, 0, 0}}, {2, {1.25, 0, 2.5}}, {5, {}}, {2, {-2.5, 0, 0}}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(moves[i].first, expected[i].first);
        ExpectVec(moves[i].second, expected[i].second, "the last of 101; y; origin; xy after y");
    }
    EXPECT_TRUE(p.TakeMoves().empty());
    EXPECT_EQ(p.Count().taken, 104u);
    EXPECT_EQ(p.Count().refused, 0u);

    // Wildcards, bundles, transport and loads become commands, in order.
    Send(Osc("/adm/obj/*/gain", "f", 3.0));
    // A bundle timed an hour ahead is applied now, not held back.
    lo_timetag later;
    lo_timetag_now(&later);
    later.sec += 3600;
    lo_bundle b = lo_bundle_new(later);
    lo_bundle_add_message(b, "/adm/obj/5/mute", Msg("i", 1));
    lo_bundle_add_message(b, "/phonara/obj/{1,2}/play", Msg(""));
    lo_bundle_add_message(b, "/phonara/obj/1/stop", Msg("f", 0.0));
    size_t size = 0;
    void* bytes = lo_bundle_serialise(b, nullptr, &size);
    lo_bundle_free_recursive(b);
    Send(Bytes(bytes, size));
    Send(Osc("/phonara/obj/3/load", "s", "/tmp/new.wav")); // an empty channel may be loaded
    Send(Osc("/phonara/playlist/open", "s", "/tmp/set.pna"));

    const std::vector<Command> commands{{Verb::Gain, 1, 1.0, {}},
                                        {Verb::Gain, 2, 1.0, {}},
                                        {Verb::Gain, 5, 1.0, {}},
                                        {Verb::Mute, 5, 1.0, {}},
                                        {Verb::Play, 1, 0, {}},
                                        {Verb::Play, 2, 0, {}},
                                        {Verb::Load, 3, 0, "/tmp/new.wav"},
                                        {Verb::OpenPlaylist, 0, 0, "/tmp/set.pna"}};
    EXPECT_EQ(p.TakeCommands(), commands)
        << "gain above 1 taken as 1; a button's release does nothing";
    EXPECT_EQ(p.Count().taken, 104u + 6);
}

TEST_F(Decoder, RefusedMessagesAreCountedAndToldWhyDroppedDatagramsOnlyCounted) {
    const Origin here{true, true}, outside{false, true}, stranger{false, false};
    struct Case {
        const char* what;
        Datagram d;
        const char* reason; // null: dropped, nothing told
        Origin from = {true, true};
        uint64_t refused = 1, malformed = 0;
    } cases[] = {
        {"channel 0", Osc("/adm/obj/0/xyz", "fff", 1.0, 0.0, 0.0), "no such channel"},
        {"channel 33", Osc("/adm/obj/33/gain", "f", 1.0), "no such channel"},
        {"an empty channel", Osc("/adm/obj/3/xyz", "fff", 1.0, 0.0, 0.0), "empty channel"},
        {"an empty channel's transport", Osc("/phonara/obj/3/play", ""), "empty channel"},
        {"two of three coordinates", Osc("/adm/obj/1/xyz", "ff", 1.0, 0.0), "bad arguments"},
        {"a string for a number", Osc("/adm/obj/1/x", "s", "left"), "bad arguments"},
        {"an unknown address", Osc("/adm/obj/1/colour", "f", 1.0), "unknown address"},
        {"an address over 256 bytes", Osc("/adm/obj/1/" + std::string(250, 'x'), "f", 1.0),
         "address too long"},
        {"nine wildcards", Osc("/*/*/*/*/*/*/*/*/*", "f", 1.0), "pattern not taken"},
        {"an unclosed bracket", Osc("/adm/obj/[12/gain", "f", 1.0), "pattern not taken"},
        {"more slashes than any address", Osc("*//////////*?/adm/obj/1/x", "f", 1.0),
         "pattern not taken"},
        {"a load from another machine", Osc("/phonara/obj/1/load", "s", "/tmp/x.wav"),
         "only from this machine", outside},
        {"a playlist from another machine", Osc("/phonara/playlist/open", "s", "/tmp/x.pna"),
         "only from this machine", outside},
        {"a query from a sender not answered", Osc("/adm/obj/*/name", ""), nullptr, stranger},
        {"a refusal to a sender not answered", Osc("/adm/obj/3/gain", "f", 1.0), nullptr, stranger},
        {"a refusal, refused but never answered",
         Osc(RefusedAddress, "ss", "/adm/obj/3/gain", "empty channel"), nullptr},
        {"not OSC", Datagram{'h', 'e', 'l', 'l', 'o'}, nullptr, here, 0, 1},
        {"over 8 KiB", Datagram(MaxDatagram + 4, 0), nullptr, here, 0, 1},
    };
    for (Case& c : cases) {
        const Counters before = p.Count();
        Send(c.d, c.from);
        EXPECT_EQ(p.Count().refused - before.refused, c.refused) << c.what;
        EXPECT_EQ(p.Count().malformed - before.malformed, c.malformed) << c.what;
        EXPECT_EQ(p.Count().taken, before.taken) << c.what;
        const auto told = Decode(p.TakeReplies());
        if (!c.reason) {
            EXPECT_TRUE(told.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(told.size(), 1u) << c.what;
        EXPECT_EQ(told[0].path + told[0].types, std::string(RefusedAddress) + "ss") << c.what;
        EXPECT_EQ(told[0].strings[1], c.reason) << c.what;
        const std::string sent = reinterpret_cast<const char*>(c.d.data());
        EXPECT_EQ(told[0].strings[0], sent.substr(0, MaxAddress)) << c.what;
    }
    EXPECT_TRUE(p.TakeMoves().empty());
    EXPECT_TRUE(p.TakeCommands().empty());
}

// Each message sees what the one before it left: a channel loaded by a
// bundle's first message is placed, then played, then asked where it is. One
// datagram's replies are capped, an empty channel answers, and a command
// that told the controller a value leaves the other fields to the feedback.
TEST_F(Decoder, MessagesSeeWhatTheOneBeforeLeftAndRepliesAreCapped) {
    std::vector<std::string> applied;
    p.OnCommand = [&](const Command& c) {
        applied.push_back(std::to_string(static_cast<int>(c.verb)) + ":" +
                          std::to_string(c.channel));
        if (c.verb == Verb::Load)
            state[c.channel].loaded = true;
        if (c.text == "/tmp/broken.wav")
            p.RefuseCommand("damaged");
    };
    p.BeforeCommand = [&] {
        for (const auto& [n, where] : p.TakeMoves()) {
            applied.push_back("move:" + std::to_string(n));
            state[n].position = where;
        }
    };
    lo_bundle b = lo_bundle_new(LO_TT_IMMEDIATE);
    lo_bundle_add_message(b, "/phonara/obj/3/load", Msg("s", "/tmp/new.wav"));
    lo_bundle_add_message(b, "/adm/obj/3/x", Msg("f", 1.0));
    lo_bundle_add_message(b, "/adm/obj/3/y", Msg("f", 1.0)); // merged with the x
    lo_bundle_add_message(b, "/phonara/obj/3/play", Msg(""));
    lo_bundle_add_message(b, "/adm/obj/1/z", Msg("f", -1.0));
    lo_bundle_add_message(b, "/adm/obj/1/xyz", Msg("")); // a query sees the move before it
    lo_bundle_add_message(b, "/phonara/obj/4/load", Msg("s", "/tmp/broken.wav"));
    size_t size = 0;
    void* bytes = lo_bundle_serialise(b, nullptr, &size);
    lo_bundle_free_recursive(b);
    Send(Bytes(bytes, size));
    EXPECT_EQ(p.Count().refused, 1u) << "the load its taker refused";
    EXPECT_EQ(applied, (std::vector<std::string>{"6:3", "move:3", "2:3", "move:1", "6:4"}));
    ExpectVec(state[3].position, {2.5, 0, 2.5}, "the loaded channel placed before it plays");
    const auto told = Decode(p.TakeReplies());
    ASSERT_EQ(told.size(), 2u);
    EXPECT_EQ(told[0].path, "/adm/obj/1/xyz");
    EXPECT_EQ(told[0].numbers, (std::vector<double>{0, 0, -1}));
    EXPECT_EQ(told[1].path + " " + told[1].strings[0] + " " + told[1].strings[1],
              std::string(RefusedAddress) + " /phonara/obj/4/load damaged");
    EXPECT_TRUE(p.TakeMoves().empty());

    Send(Osc("/adm/obj/*/*", "")); // 32 channels, 12 leaves each
    const auto replies = Decode(p.TakeReplies());
    ASSERT_EQ(replies.size(), static_cast<size_t>(MaxReplies));
    EXPECT_EQ(replies[12 * 3].path + replies[12 * 3].text, "/adm/obj/4/xyz");
    EXPECT_EQ(replies[12 * 3].numbers, (std::vector<double>{0, 0, 0})) << "empty: at rest";
    EXPECT_EQ(replies[12 * 3 + 11].path + "=" + replies[12 * 3 + 11].text, "/adm/obj/4/name=");

    ChannelState baseline = state[1], after = state[1];
    after.gain = 0.5;
    after.position = {1, 0, 0}; // a drag in the window meanwhile
    after.word = "play";
    Protocol::Settle({Verb::Gain, 1, 0.5, {}}, after, baseline);
    EXPECT_EQ(baseline.gain, 0.5);
    EXPECT_EQ(baseline.position, state[1].position) << "the drag is still to be sent";
    EXPECT_EQ(baseline.word, "stop");
}

TEST_F(Decoder, QueriesAreAnsweredFromTheWindowsStateAndFeedbackSendsOnlyChanges) {
    state[2].gain = 0.25;
    state[2].muted = true;
    state[2].position = {-1.25, 2.5, 1.25}; // left, up, in front
    for (const char* leaf : {"xyz", "aed", "gain", "mute", "name"})
        Send(Osc("/adm/obj/2/" + std::string(leaf), ""));
    Send(Osc("/adm/obj/[15]/name", ""));
    const auto r = Decode(p.TakeReplies());
    ASSERT_EQ(r.size(), 7u);
    EXPECT_EQ(r[0].path + r[0].types, "/adm/obj/2/xyzfff");
    EXPECT_EQ(r[0].numbers, (std::vector<double>{-0.5, 0.5, 1}));
    EXPECT_EQ(r[1].path, "/adm/obj/2/aed");
    EXPECT_NEAR(r[1].numbers[0], 45, 1e-4) << "left is positive azimuth";
    EXPECT_GT(r[1].numbers[1], 0);
    EXPECT_EQ(r[2].numbers, std::vector<double>{0.25});
    EXPECT_EQ(r[3].types, "i");
    EXPECT_EQ(r[3].numbers, std::vector<double>{1});
    EXPECT_EQ(r[4].text, "tone2.wav");
    EXPECT_EQ(r[5].path, "/adm/obj/1/name");
    EXPECT_EQ(r[6].path + " " + r[6].text, "/adm/obj/5/name tone5.wav");

    // Feedback: nothing while nothing changes, then only what changed.
    const State before = state;
    State now = before;
    EXPECT_TRUE(Protocol::Feedback(before, now).empty());
    now[1].position = {2.5, 0, 0};
    now[5].word = "play";
    now[5].gain = 0.5;
    const auto sent = Decode(Protocol::Feedback(before, now));
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0].path + sent[1].path + sent[2].path + sent[3].path,
              "/adm/obj/1/xyz/adm/obj/1/aed/adm/obj/5/gain/phonara/obj/5/play");
    EXPECT_EQ(sent[0].numbers, (std::vector<double>{1, 0, 0}));
}

TEST_F(Decoder, TheListenerTakesEveryFormAndInvertedAxes) {
    Send(Osc("/adm/lis/ypr", "fff", 90.0, 0.0, 0.0));
    auto head = p.TakeListener();
    ASSERT_TRUE(head);
    ExpectVec(head->front, {-1, 0, 0}, "head turned left");
    EXPECT_FALSE(p.TakeListener()) << "taken once";

    // The same turn as a scene rotation, first whole, then axis by axis.
    Send(Osc("/SceneRotator/ypr", "fff", -90.0, 0.0, 0.0));
    ExpectVec(p.TakeListener()->front, {-1, 0, 0}, "scene ypr");
    Send(Osc("/pitch", "f", 90.0));
    const Orientation up = *p.TakeListener();
    ExpectVec(up.front, {0, 1, 0}, "a single pitch keeps the yaw");
    ExpectVec(up.top, {1, 0, 0}, "turned left, then looking up: the top points right");
    Send(Osc("/pitch", "f", 0.0));
    const Quat q = About(-90, 2);
    Send(Osc("/quaternion", "ffff", float(q[0]), float(q[1]), float(q[2]), float(q[3])));
    ExpectVec(p.TakeListener()->front, {-1, 0, 0}, "quaternion");

    Send(Osc("/phonara/listener/recentre", ""));
    EXPECT_FALSE(IsTurned(*p.TakeListener()));
    Send(Osc("/adm/lis/ypr", "fff", 90.0, 0.0, 0.0));
    ExpectVec(p.TakeListener()->front, {0, 0, 1}, "recentred where it looked");
    Send(Osc("/adm/lis/ypr", "fff", 180.0, 0.0, 0.0));
    ExpectVec(p.TakeListener()->front, {-1, 0, 0}, "and turns on from there");

    Protocol inverted;
    inverted.SetInversion({true, false, false});
    const Datagram d = Osc("/ypr", "fff", -30.0, 0.0, 0.0);
    inverted.Handle(d.data(), d.size(), true, state);
    ExpectVec(inverted.TakeListener()->front, {0.5, 0, std::sqrt(3.0) / 2},
              "an inverted yaw turns right");
}

TEST(RemoteCommandLine, OscPortSwitchesItOnForTheRun) {
    struct Case {
        QStringList args;
        bool usage;
        int port;
    } cases[] = {
        {{"a.wav"}, false, 0},
        {{"--osc-port", "4001", "a.wav"}, false, 4001},
        {{"--osc-port=9000", "a.wav"}, false, 9000},
        {{"--osc-port", "0", "a.wav"}, true, 0},
        {{"--osc-port", "65536"}, true, 0},
        {{"--osc-port", "four", "a.wav"}, true, 0},
        {{"--export", "o.wav", "--osc-port", "4001", "a.pna"}, true, 0},
    };
    for (const Case& c : cases) {
        const QStringList args = QStringList{"phonaraplayer"} + c.args;
        const TCommandLine line = ParseCommandLine(args);
        const std::string joined = args.join(' ').toStdString();
        EXPECT_EQ(line.Action == TCommandLine::TAction::Usage, c.usage) << joined;
        EXPECT_EQ(line.OscPort, c.port) << joined;
        if (!c.usage)
            EXPECT_EQ(line.Files, std::vector<std::string>{"a.wav"}) << joined;
        else
            EXPECT_NE(line.Message.find("-"), std::string::npos) << joined;
    }
}

} // namespace
