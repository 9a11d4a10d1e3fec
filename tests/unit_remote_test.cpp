// The remote control's pure side: ADM-OSC and head-tracker conventions mapped
// to the program's axes, and the decoder's rules for datagrams that liblo
// encodes as a controller would.
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <lo/lo.h>
#include <numbers>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "remote/RemoteMapping.h"
#include "remote/RemoteProtocol.h"

namespace {

using namespace remote;

constexpr double Tol = 1e-9;

void ExpectVec(const Vec3& v, double x, double y, double z, const std::string& what) {
    EXPECT_NEAR(v.x, x, 1e-6) << what;
    EXPECT_NEAR(v.y, y, 1e-6) << what;
    EXPECT_NEAR(v.z, z, 1e-6) << what;
}

TEST(RemoteMapping, AdmCartesianAndPolarLandOnTheProgramsAxes) {
    struct Case {
        const char* what;
        Vec3 adm; // x right, y front, z up
        Vec3 program;
    } cases[] = {
        {"right", {1, 0, 0}, {2.5, 0, 0}},
        {"front", {0, 1, 0}, {0, 0, 2.5}},
        {"up", {0, 0, 1}, {0, 2.5, 0}},
        {"clamped into the cube", {2, -3, 0.5}, {2.5, 1.25, -2.5}},
        {"NaN counts as the centre", {std::nan(""), 0.4, 0}, {0, 0, 1.0}},
    };
    for (const Case& c : cases) {
        ExpectVec(AdmXyzToProgram(c.adm.x, c.adm.y, c.adm.z), c.program.x, c.program.y, c.program.z,
                  c.what);
    }
    ExpectVec(ProgramToAdmXyz({1.25, -2.5, 2.5}), 0.5, 1, -1, "back from the program's axes");
    ExpectVec(ProgramToAdmXyz({9, 0, 0}), 1, 0, 0, "a drag beyond the bars is clamped");

    const double s30 = 0.5, c30 = std::sqrt(3.0) / 2;
    struct Polar {
        const char* what;
        Aed aed;
        Vec3 program;
    } polar[] = {
        {"azimuth +30 is to the left and in front", {30, 0, 1}, {-2.5 * s30, 0, 2.5 * c30}},
        {"azimuth -90 is right", {-90, 0, 0.5}, {1.25, 0, 0}},
        {"azimuth 180 is behind", {180, 0, 1}, {0, 0, -2.5}},
        {"elevation 90 is above", {40, 90, 1}, {0, 2.5, 0}},
        {"elevation -30, half way", {0, -30, 0.5}, {0, -1.25 * s30, 1.25 * c30}},
        {"distance clamped to 1, angles to their range", {-400, 0, 7}, {0, 0, -2.5}},
    };
    for (const Polar& p : polar) {
        const Vec3 v = AdmAedToProgram(p.aed);
        ExpectVec(v, p.program.x, p.program.y, p.program.z, p.what);
    }
    const Aed back = ProgramToAdmAed(AdmAedToProgram({30, 20, 0.8}));
    EXPECT_NEAR(back.azimuth, 30, 1e-9);
    EXPECT_NEAR(back.elevation, 20, 1e-9);
    EXPECT_NEAR(back.distance, 0.8, 1e-9);
    const Aed origin = ProgramToAdmAed({0, 0, 0});
    EXPECT_EQ(origin.distance, 0);
    EXPECT_EQ(origin.azimuth, 0);
}

// A quaternion for a turn by degrees about one axis of the trackers' frame.
struct Quat {
    double w, x, y, z;
};
Quat About(double degrees, int axis) {
    const double h = degrees * std::numbers::pi / 360;
    Quat q{std::cos(h), 0, 0, 0};
    (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = std::sin(h);
    return q;
}
Quat operator*(const Quat& a, const Quat& b) {
    return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
            a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
            a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
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
        const std::string what = "head yaw " + std::to_string(c.head.yaw) + " pitch " +
                                 std::to_string(c.head.pitch) + " roll " +
                                 std::to_string(c.head.roll);
        const Orientation head = HeadOrientation(c.head);
        if (!std::isnan(c.front.x)) {
            ExpectVec(head.front, c.front.x, c.front.y, c.front.z, what + ": front");
            ExpectVec(head.top, c.top.x, c.top.y, c.top.z, what + ": top");
        }
        // The scene rotation a tracker sends for this head: yaw and roll the
        // other way round.
        const Ypr scene{-c.head.yaw, c.head.pitch, -c.head.roll};
        const Orientation fromScene = HeadOrientation(HeadFromSceneYpr(scene));
        // The same scene rotation as a quaternion: roll about x (front), pitch
        // about y (left), yaw about z (up), the yaw applied first.
        const Quat q = About(scene.roll, 0) * About(scene.pitch, 1) * About(scene.yaw, 2);
        const Orientation fromQuat = HeadFromSceneQuaternion(q.w, q.x, q.y, q.z);
        const Orientation fromScaled = HeadFromSceneQuaternion(2 * q.w, 2 * q.x, 2 * q.y, 2 * q.z);
        for (const Orientation* o : {&fromScene, &fromQuat, &fromScaled}) {
            ExpectVec(o->front, head.front.x, head.front.y, head.front.z, what + ": same front");
            ExpectVec(o->top, head.top.x, head.top.y, head.top.z, what + ": same top");
        }
        const Ypr back = YprOfOrientation(head);
        if (std::fabs(c.head.pitch) < 89) {
            EXPECT_NEAR(back.yaw, c.head.yaw, 1e-6) << what;
            EXPECT_NEAR(back.pitch, c.head.pitch, 1e-6) << what;
            EXPECT_NEAR(back.roll, c.head.roll, 1e-6) << what;
        }
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
    ExpectVec(further.front, -1, 0, 0, "90 degrees beyond the new centre");
    const Ypr flipped = Inverted({10, 20, 30}, {true, false, true});
    EXPECT_EQ(flipped.yaw, -10);
    EXPECT_EQ(flipped.pitch, 20);
    EXPECT_EQ(flipped.roll, -30);
}

// ---- The decoder, fed what liblo encodes ----

Datagram Encode(const char* path, lo_message m) {
    size_t size = 0;
    void* bytes = lo_message_serialise(m, path, nullptr, &size);
    Datagram d(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size);
    std::free(bytes);
    lo_message_free(m);
    return d;
}

Datagram Floats(const char* path, std::vector<float> values) {
    lo_message m = lo_message_new();
    for (float v : values)
        lo_message_add_float(m, v);
    return Encode(path, m);
}

// The decoded path and float/int/string arguments of a reply.
struct Decoded {
    std::string path;
    std::string types;
    std::vector<double> numbers;
    std::string text;
};
Decoded Decode(Datagram d) {
    Decoded out;
    out.path = reinterpret_cast<const char*>(d.data());
    int result = 0;
    lo_message m = lo_message_deserialise(d.data(), d.size(), &result);
    if (!m)
        return out;
    out.types = lo_message_get_types(m);
    lo_arg** argv = lo_message_get_argv(m);
    for (size_t i = 0; i < out.types.size(); ++i) {
        if (out.types[i] == 's')
            out.text = &argv[i]->s;
        else
            out.numbers.push_back(
                static_cast<double>(lo_hires_val(static_cast<lo_type>(out.types[i]), argv[i])));
    }
    lo_message_free(m);
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
    Protocol p;
    State state;
};

TEST_F(Decoder, MovesKeepOnlyTheLatestPerChannelAndPartialAddressesKeepTheRest) {
    for (int i = 0; i <= 100; ++i)
        Send(Floats("/adm/obj/1/xyz", {i / 100.f, 0, 0}));
    // /y moves channel 2 to the front and keeps its x; /azim keeps distance
    // and elevation of channel 5 at the origin (so it stays there).
    Send(Floats("/adm/obj/2/y", {1}));
    Send(Floats("/adm/obj/5/azim", {45}));
    lo_message ints = lo_message_new();
    lo_message_add_int32(ints, -1);
    lo_message_add_int32(ints, 0);
    Send(Encode("/adm/obj/2/xy", ints)); // ints are taken for floats; keeps the y of the /y
    const auto moves = p.TakeMoves();
    ASSERT_EQ(moves.size(), 3u);
    EXPECT_EQ(moves[0].first, 1);
    ExpectVec(moves[0].second, 2.5, 0, 0, "the last of 101 moves");
    EXPECT_EQ(moves[1].first, 2);
    ExpectVec(moves[1].second, -2.5, 0, 0, "xy after y");
    EXPECT_EQ(moves[2].first, 5);
    ExpectVec(moves[2].second, 0, 0, 0, "azimuth at the origin");
    EXPECT_TRUE(p.TakeMoves().empty());
    EXPECT_EQ(p.Count().taken, 104u);
    EXPECT_EQ(p.Count().refused, 0u);
}

TEST_F(Decoder, RefusedMessagesAndDroppedDatagramsAreCountedNotApplied) {
    struct Case {
        const char* what;
        Datagram d;
        bool loopback = true;
        uint64_t refused = 1, malformed = 0;
    };
    lo_message load = lo_message_new();
    lo_message_add_string(load, "/tmp/x.wav");
    lo_message open = lo_message_new();
    lo_message_add_string(open, "/tmp/x.pna");
    lo_message text = lo_message_new();
    lo_message_add_string(text, "left");
    const std::string longPath = "/adm/obj/1/" + std::string(250, 'x');
    std::vector<Case> cases;
    cases.push_back({"channel 0", Floats("/adm/obj/0/xyz", {1, 0, 0})});
    cases.push_back({"channel 33", Floats("/adm/obj/33/gain", {1})});
    cases.push_back({"an empty channel", Floats("/adm/obj/3/xyz", {1, 0, 0})});
    cases.push_back({"two of three coordinates", Floats("/adm/obj/1/xyz", {1, 0})});
    cases.push_back({"a string for a number", Encode("/adm/obj/1/x", text)});
    cases.push_back({"an unknown address", Floats("/adm/obj/1/colour", {1})});
    cases.push_back({"an address over 256 bytes", Floats(longPath.c_str(), {1})});
    cases.push_back({"nine wildcards", Floats("/*/*/*/*/*/*/*/*/*", {1})});
    cases.push_back({"an unclosed bracket", Floats("/adm/obj/[12/gain", {1})});
    cases.push_back(
        {"a pattern with more slashes than any address", Floats("*//////////*?/adm/obj/1/x", {1})});
    cases.push_back({"a load from another machine", Encode("/phonara/obj/1/load", load), false});
    cases.push_back(
        {"a playlist from another machine", Encode("/phonara/playlist/open", open), false});
    cases.push_back({"not OSC", Datagram{'h', 'e', 'l', 'l', 'o'}, true, 0, 1});
    cases.push_back({"over 8 KiB", Datagram(MaxDatagram + 4, 0), true, 0, 1});
    for (Case& c : cases) {
        const Counters before = p.Count();
        Send(c.d, c.loopback);
        EXPECT_EQ(p.Count().refused - before.refused, c.refused) << c.what;
        EXPECT_EQ(p.Count().malformed - before.malformed, c.malformed) << c.what;
        EXPECT_EQ(p.Count().taken, before.taken) << c.what;
    }
    EXPECT_TRUE(p.TakeMoves().empty());
    EXPECT_TRUE(p.TakeCommands().empty());
}

TEST_F(Decoder, WildcardsBundlesTransportAndLoads) {
    Send(Floats("/adm/obj/*/gain", {3}));
    // A bundle timed an hour ahead is applied now, not held back.
    lo_timetag later;
    lo_timetag_now(&later);
    later.sec += 3600;
    lo_bundle b = lo_bundle_new(later);
    lo_message mute = lo_message_new();
    lo_message_add_int32(mute, 1);
    lo_bundle_add_message(b, "/adm/obj/5/mute", mute);
    lo_message play = lo_message_new();
    lo_bundle_add_message(b, "/phonara/obj/{1,2}/play", play);
    lo_message release = lo_message_new();
    lo_message_add_float(release, 0);
    lo_bundle_add_message(b, "/phonara/obj/1/stop", release);
    size_t size = 0;
    void* bytes = lo_bundle_serialise(b, nullptr, &size);
    Send(Datagram(static_cast<uint8_t*>(bytes), static_cast<uint8_t*>(bytes) + size));
    std::free(bytes);
    lo_bundle_free_recursive(b);
    lo_message load = lo_message_new();
    lo_message_add_string(load, "/tmp/new.wav");
    Send(Encode("/phonara/obj/3/load", load)); // an empty channel may be loaded
    lo_message open = lo_message_new();
    lo_message_add_string(open, "/tmp/set.pna");
    Send(Encode("/phonara/playlist/open", open));

    const std::vector<Command> expected{
        {Verb::Gain, 1, 1.0, {}},
        {Verb::Gain, 2, 1.0, {}},
        {Verb::Gain, 5, 1.0, {}},
        {Verb::Mute, 5, 1.0, {}},
        {Verb::Play, 1, 0, {}},
        {Verb::Play, 2, 0, {}},
        {Verb::Load, 3, 0, "/tmp/new.wav"},
        {Verb::OpenPlaylist, 0, 0, "/tmp/set.pna"},
    };
    EXPECT_EQ(p.TakeCommands(), expected)
        << "gain above 1 taken as 1; a button's release does nothing";
    EXPECT_EQ(p.Count().taken, 6u);
}

TEST_F(Decoder, QueriesAreAnsweredFromTheWindowsState) {
    state[2].gain = 0.25;
    state[2].muted = true;
    state[2].position = {-1.25, 2.5, 1.25}; // left, up, in front
    for (const char* leaf : {"xyz", "aed", "gain", "mute", "name"})
        Send(Floats(("/adm/obj/2/" + std::string(leaf)).c_str(), {}));
    Send(Floats("/adm/obj/[15]/name", {}));
    const auto replies = p.TakeReplies();
    ASSERT_EQ(replies.size(), 7u);
    std::vector<Decoded> r;
    for (const auto& d : replies)
        r.push_back(Decode(d));
    EXPECT_EQ(r[0].path, "/adm/obj/2/xyz");
    EXPECT_EQ(r[0].types, "fff");
    EXPECT_EQ(r[0].numbers, (std::vector<double>{-0.5, 0.5, 1}));
    EXPECT_EQ(r[1].path, "/adm/obj/2/aed");
    EXPECT_NEAR(r[1].numbers[0], 45, 1e-4) << "left is positive azimuth";
    EXPECT_GT(r[1].numbers[1], 0);
    EXPECT_EQ(r[2].numbers, std::vector<double>{0.25});
    EXPECT_EQ(r[3].types, "i");
    EXPECT_EQ(r[3].numbers, std::vector<double>{1});
    EXPECT_EQ(r[4].text, "tone2.wav");
    EXPECT_EQ(r[5].path, "/adm/obj/1/name");
    EXPECT_EQ(r[6].path, "/adm/obj/5/name");
    EXPECT_EQ(r[6].text, "tone5.wav");
}

TEST_F(Decoder, TheListenerTakesEveryFormAndInvertedAxes) {
    Send(Floats("/adm/lis/ypr", {90, 0, 0}));
    auto head = p.TakeListener();
    ASSERT_TRUE(head);
    ExpectVec(head->front, -1, 0, 0, "head turned left");
    EXPECT_FALSE(p.TakeListener()) << "taken once";

    // The same turn as a scene rotation, first whole, then axis by axis.
    Send(Floats("/SceneRotator/ypr", {-90, 0, 0}));
    ExpectVec(p.TakeListener()->front, -1, 0, 0, "scene ypr");
    Send(Floats("/pitch", {90}));
    const Orientation up = *p.TakeListener();
    ExpectVec(up.front, 0, 1, 0, "a single pitch keeps the yaw");
    ExpectVec(up.top, 1, 0, 0, "turned left, then looking up: the top points right");
    Send(Floats("/pitch", {0}));
    const Quat q = About(-90, 2);
    Send(Floats("/quaternion", {float(q.w), float(q.x), float(q.y), float(q.z)}));
    ExpectVec(p.TakeListener()->front, -1, 0, 0, "quaternion");

    Send(Floats("/phonara/listener/recentre", {}));
    EXPECT_FALSE(IsTurned(*p.TakeListener()));
    Send(Floats("/adm/lis/ypr", {90, 0, 0}));
    ExpectVec(p.TakeListener()->front, 0, 0, 1, "recentred where it looked");
    Send(Floats("/adm/lis/ypr", {180, 0, 0}));
    ExpectVec(p.TakeListener()->front, -1, 0, 0, "and turns on from there");

    Protocol inverted;
    inverted.SetInversion({true, false, false});
    const Datagram d = Floats("/ypr", {-30, 0, 0});
    inverted.Handle(d.data(), d.size(), true, state);
    ExpectVec(inverted.TakeListener()->front, std::sin(30 * std::numbers::pi / 180), 0,
              std::cos(30 * std::numbers::pi / 180), "an inverted yaw turns right");
}

TEST(RemoteFeedback, OnlyChangedValuesAreSent) {
    State before;
    before[1].loaded = true;
    before[1].name = "a.wav";
    before[1].word = "stop";
    before[4] = before[1];
    State now = before;
    EXPECT_TRUE(Protocol::Feedback(before, now).empty());
    now[1].position = {2.5, 0, 0};
    now[4].word = "play";
    now[4].gain = 0.5;
    std::vector<std::string> paths;
    for (const Datagram& d : Protocol::Feedback(before, now))
        paths.push_back(Decode(d).path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/adm/obj/1/xyz", "/adm/obj/1/aed",
                                               "/adm/obj/4/gain", "/phonara/obj/4/play"}));
    EXPECT_EQ(Decode(Protocol::Feedback(before, now)[0]).numbers, (std::vector<double>{1, 0, 0}));
}

TEST(RemoteCommandLine, OscPortSwitchesItOnForTheRun) {
    struct Case {
        std::vector<const char*> args;
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
        QStringList args{"phonaraplayer"};
        for (const char* a : c.args)
            args << a;
        const TCommandLine line = ParseCommandLine(args);
        const std::string joined = args.join(' ').toStdString();
        EXPECT_EQ(line.Action == TCommandLine::TAction::Usage, c.usage) << joined;
        EXPECT_EQ(line.OscPort, c.port) << joined;
        if (!c.usage) {
            EXPECT_EQ(line.Files, std::vector<std::string>{"a.wav"}) << joined;
        } else {
            EXPECT_NE(line.Message.find("-"), std::string::npos) << joined;
        }
    }
}

} // namespace
