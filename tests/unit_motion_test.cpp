// Motion paths: the path line's grammar, the place at a play time, thinning
// and the recorder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

#include "SoundFiles.h"
#include "files/AtomicFile.h"
#include "motion/MotionPath.h"
#include "motion/MotionRecorder.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistReading.h"

namespace {

constexpr double Limit = 50 * static_cast<double>(0.05f);

TMotionPath PathOf(TMotionMode mode, std::vector<TMotionPoint> points) {
    return {mode, std::move(points)};
}

TEST(MotionPath, LinesValidAndMalformed) {
    const TMotionPath square =
        PathOf(TMotionMode::Loop, {{0, 0, 0, 0}, {1, 1, 0, 0}, {2.5, 1, -1, 0.5f}});
    struct Case {
        const char* line;
        std::optional<TMotionPath> yields;
    };
    const Case cases[] = {
        {"#PNAPPath loop 0,0,0,0;1,1,0,0;2.5,1,-1,0.5", square},
        {"#pnappath LOOP  0,0,0,0 ; 1, 1,0,0;2.5,1,-1,0.5;  ", square},
        {"#PNAPPath once 0,0,0,0;1,1,0,0;2.5,1,-1,0.5", PathOf(TMotionMode::Once, square.Points)},
        // Clamped like a position line, not refused.
        {"#PNAPPath once 0,7,-7,0;2,0,0,2.6",
         PathOf(TMotionMode::Once, {{0, 2.5f, -2.5f, 0}, {2, 0, 0, 2.5f}})},
        {"#PNAPPath loop 0,0.150000005960464,0,0;0.016,0,0,0",
         PathOf(TMotionMode::Loop, {{0, 0.15f, 0, 0}, {0.016, 0, 0, 0}})},
        // Malformed: skipped whole.
        {"#PNAPPath", std::nullopt},
        {"#PNAPPath loop", std::nullopt},
        {"#PNAPPath 0,0,0,0;1,1,1,1", std::nullopt},               // no mode
        {"#PNAPPath bounce 0,0,0,0;1,1,1,1", std::nullopt},        // unknown mode
        {"#PNAPPathloop 0,0,0,0;1,1,1,1", std::nullopt},           // key runs on
        {"#PNAPPath loop 0,0,0,0", std::nullopt},                  // one point
        {"#PNAPPath loop 0.5,0,0,0;1,1,1,1", std::nullopt},        // does not start at 0
        {"#PNAPPath loop 0,0,0,0;1,1,1,1;1,2,2,2", std::nullopt},  // time stands still
        {"#PNAPPath loop 0,0,0,0;2,1,1,1;1,2,2,2", std::nullopt},  // time goes back
        {"#PNAPPath loop 0,0,0,0;1,1,1", std::nullopt},            // three numbers
        {"#PNAPPath loop 0,0,0,0;1,1,1,1,1", std::nullopt},        // five numbers
        {"#PNAPPath loop 0,0,0,0;1,1,x,1", std::nullopt},          // not a number
        {"#PNAPPath loop 0,0,0,0;;1,1,1,1", std::nullopt},         // empty point
        {"#PNAPPath loop 0,0,0,0;1,nan,1,1", std::nullopt},        // not finite
        {"#PNAPPath loop 0,0,0,0;1,1,0,1e999", std::nullopt},      // out of double range
        {"#PNAPPath loop 0,0,0,0;1,1,1,1 trailing", std::nullopt}, // junk after a number
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseMotionPathLine(c.line, Limit), c.yields) << c.line;
}

TEST(MotionPath, LineRoundTripsByteForByte) {
    const std::string lines[] = {
        "#PNAPPath loop 0,0,0,0;1,1,0,0;2.5,1,-1,0.5",
        "#PNAPPath once 0,0.150000005960464,-2.5,2.5;0.016,-0.0500000007450581,0,0;"
        "61.234,0.000000999999997475243,1.20000004768372,-0.300000011920929",
    };
    for (const std::string& line : lines) {
        const auto path = ParseMotionPathLine(line, Limit);
        ASSERT_TRUE(path) << line;
        EXPECT_EQ(FormatMotionPathLine(*path), line);
    }
    // A recorded path in any locale: no comma inside a number, no exponent.
    const TMotionPath tiny = PathOf(TMotionMode::Loop, {{0, 1e-7f, 0, 0}, {0.001, -1e-6f, 0, 0}});
    const std::string text = FormatMotionPathLine(tiny);
    EXPECT_EQ(text.find_first_of("eE"), std::string::npos) << text;
    EXPECT_EQ(ParseMotionPathLine(text, Limit), tiny);
}

TEST(MotionPath, PlaceAtPlayTime) {
    const auto points = std::vector<TMotionPoint>{{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 1, 2, 0}};
    const TMotionPath loop = PathOf(TMotionMode::Loop, points);
    const TMotionPath once = PathOf(TMotionMode::Once, points);
    struct Case {
        const TMotionPath* path;
        double t;
        float x, y;
    };
    const Case cases[] = {
        {&loop, 0, 0, 0},     {&loop, 0.25, 0.25f, 0}, {&loop, 1, 1, 0},   {&loop, 1.5, 1, 1},
        {&loop, 2, 0, 0},     {&loop, 2.5, 0.5f, 0},   {&loop, 5.5, 1, 1}, {&loop, -0.5, 1, 1},
        {&once, 0.5, 0.5, 0}, {&once, 1.75, 1, 1.5f},  {&once, 2, 1, 2},   {&once, 9, 1, 2},
        {&once, -1, 0, 0},
    };
    size_t hint = 99; // from no path at all, then carried across both, back and forth in time
    for (const Case& c : cases) {
        const TMotionPoint p = MotionPositionAt(*c.path, c.t);
        EXPECT_NEAR(p.X, c.x, 1e-6) << c.t;
        EXPECT_NEAR(p.Y, c.y, 1e-6) << c.t;
        const TMotionPoint hinted = MotionPositionAt(*c.path, c.t, hint);
        EXPECT_TRUE(hinted.X == p.X && hinted.Y == p.Y && hinted.Z == p.Z) << c.t;
    }
}

TEST(MotionPath, ThinningKeepsWhatStraysMoreThanACentimetre) {
    struct Case {
        const char* what;
        std::vector<TMotionPoint> in;
        std::vector<TMotionPoint> out;
    };
    const Case cases[] = {
        {"straight at even speed",
         {{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}},
         {{0, 0, 0, 0}, {3, 3, 0, 0}}},
        {"standing still",
         {{0, 1, 1, 1}, {1, 1, 1, 1}, {2, 1, 1, 1}},
         {{0, 1, 1, 1}, {2, 1, 1, 1}}},
        {"within a centimetre off the line",
         {{0, 0, 0, 0}, {1, 1, 0.009f, 0}, {2, 2, 0, 0}},
         {{0, 0, 0, 0}, {2, 2, 0, 0}}},
        {"two centimetres off the line",
         {{0, 0, 0, 0}, {1, 1, 0, 0.02f}, {2, 2, 0, 0}},
         {{0, 0, 0, 0}, {1, 1, 0, 0.02f}, {2, 2, 0, 0}}},
        {"a corner",
         {{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 1, 1, 0}},
         {{0, 0, 0, 0}, {1, 1, 0, 0}, {2, 1, 1, 0}}},
        // On the line in space but late: the place at its time is far off.
        {"stands, then moves",
         {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 1, 0, 0}},
         {{0, 0, 0, 0}, {1, 0, 0, 0}, {2, 1, 0, 0}}},
        {"two points", {{0, 0, 0, 0}, {1, 1, 1, 1}}, {{0, 0, 0, 0}, {1, 1, 1, 1}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ThinMotionPoints(c.in), c.out) << c.what;
}

TEST(MotionPath, AMinuteOfHandMovementStaysSmallAndClose) {
    // A wobbly circle at 60 frames a second, drawn with step-sized jitter.
    std::vector<TMotionPoint> frames;
    for (int i = 0; i <= 60 * 60; ++i) {
        const double t = i / 60.0;
        const double a = t * 2 * M_PI / 4.0;
        const float jitter = (i % 7 == 0) ? 0.004f : 0.f;
        frames.push_back({std::round(t * 1000) / 1000, static_cast<float>(1.5 * std::cos(a)),
                          jitter, static_cast<float>(1.5 * std::sin(a))});
    }
    const TMotionPath path{TMotionMode::Loop, ThinMotionPoints(frames)};
    const std::string line = FormatMotionPathLine(path);
    EXPECT_LT(line.size(), 32u * 1024) << path.Points.size() << " points";
    double worst = 0;
    size_t hint = 0;
    for (const TMotionPoint& f : frames) {
        const TMotionPoint p = MotionPositionAt(path, f.T);
        // Walked forward frame by frame, as play does, the hint finds the same.
        const TMotionPoint hinted = MotionPositionAt(path, f.T, hint);
        ASSERT_TRUE(hinted.X == p.X && hinted.Y == p.Y && hinted.Z == p.Z) << f.T;
        worst =
            std::max(worst, std::hypot(double(p.X) - f.X, double(p.Y) - f.Y, double(p.Z) - f.Z));
    }
    EXPECT_LE(worst, 0.01 + 1e-6);
}

TEST(MotionRecorder, MovedWatchedChannelsBecomeLoopPaths) {
    TMotionRecorder recorder;
    recorder.Start();
    // Channel 1 watched and moving, 2 watched but still, 3 moving unwatched,
    // 4 watched and moving, but only from the third frame on.
    for (int frame = 0; frame <= 30; ++frame) {
        const double t = frame / 60.0;
        const float x = static_cast<float>(frame) * 0.05f;
        recorder.Sample(t, 1, x, 0, 0, true);
        recorder.Sample(t, 2, 1, 1, 1, true);
        recorder.Sample(t, 3, x, 0, 0, false);
        if (frame >= 3)
            recorder.Sample(t, 4, 0, frame >= 10 ? 1.f : 0.f, 0, frame == 20);
    }
    EXPECT_TRUE(recorder.Recording());
    const auto paths = recorder.Stop(0.75);
    EXPECT_FALSE(recorder.Recording());
    ASSERT_EQ(paths.size(), 2u);
    EXPECT_EQ(paths[0].first, 1);
    EXPECT_EQ(paths[1].first, 4);
    const TMotionPath& one = paths[0].second;
    EXPECT_EQ(one.Mode, TMotionMode::Loop);
    EXPECT_EQ(one.Length(), 0.75) << "the recording's length is the period";
    // Even speed up to half a second, then still: three points are enough.
    ASSERT_EQ(one.Points.size(), 3u);
    EXPECT_EQ(one.Points[1].T, 0.5);
    EXPECT_FLOAT_EQ(one.Points[1].X, 1.5f);
    const TMotionPath& four = paths[1].second;
    EXPECT_EQ(four.Points.front().T, 0.0) << "a late channel stood there from the start";
    EXPECT_EQ(MotionPositionAt(four, 0.1).Y, 0.f);
    EXPECT_EQ(MotionPositionAt(four, 0.2).Y, 1.f);
    // Every line the recorder makes reads back as the path it is.
    for (const auto& [n, path] : paths)
        EXPECT_EQ(ParseMotionPathLine(FormatMotionPathLine(path), Limit), path) << n;

    recorder.Start();
    recorder.Sample(0, 1, 0, 0, 0, true);
    EXPECT_TRUE(recorder.Stop(0).empty()) << "no length, no path";
}

} // namespace

namespace {

using Kind = TPlaylistLine::Kind;

const TMotionPath Circling{
    TMotionMode::Loop, {{0, 1, 0, 0}, {1, 0, 0, 1}, {2, -1, 0, 0}, {3, 0, 0, -1}, {4, 1, 0, 0}}};

TEST(MotionPlaylist, PathLineSitsBetweenPositionAndFileAndReadsBack) {
    TPlaylistChannel moving{.X = 0.5f, .FileName = "/s/bird.wav", .Motion = Circling};
    TPlaylistChannel still{0, 0.25f, 0, "/s/rain.wav"};
    const std::string text = FormatPlaylist(0, 0, {moving, still});
    EXPECT_EQ(text, "#PNAPEffect 0,0\r\n"
                    "#PNAPParam 0.5,0,0\r\n"
                    "#PNAPPath loop 0,1,0,0;1,0,0,1;2,-1,0,0;3,0,0,-1;4,1,0,0\r\n"
                    "/s/bird.wav\r\n"
                    "#PNAPParam 0,0.25,0\r\n"
                    "/s/rain.wav\r\n");
    const auto lines = ParsePlaylist(text, Limit);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2].LineKind, Kind::Motion);
    EXPECT_EQ(lines[2].Motion, Circling);
    // Saved again from what was read: the same bytes.
    EXPECT_EQ(FormatPlaylist(0, 0,
                             {{*lines[1].X, *lines[1].Y, *lines[1].Z, lines[3].Path, 1.f, false,
                               lines[2].Motion},
                              {*lines[4].X, *lines[4].Y, *lines[4].Z, lines[5].Path}}),
              text);
}

TEST(MotionPlaylist, ReadersThatDoNotKnowTheLineLoadTheSameFilesAtTheSamePlaces) {
    const std::string text = FormatPlaylist(
        3, 2,
        {{.X = 0.5f, .FileName = "/s/bird.wav", .Motion = Circling}, {0, 1, 2, "/s/rain.wav"}});
    // An M3U player: every line starting with "#" is a comment.
    std::vector<std::string> m3uFiles;
    ParsePlaylist(text, Limit, [&](const TPlaylistLine& line) {
        if (line.LineKind == Kind::File)
            m3uFiles.push_back(line.Path);
        return true;
    });
    EXPECT_EQ(m3uFiles, (std::vector<std::string>{"/s/bird.wav", "/s/rain.wav"}));
    // A reader by the older grammar: "#PNAPPath" is not the position key
    // ("pnapparam" in characters 2 to 10), so the line is a comment.
    const std::string older = std::string(MotionPathKey).substr(1, 9);
    std::string lowered;
    for (char c : older)
        lowered += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lowered, "pnapparam");
    EXPECT_NE(lowered.substr(0, 10), "pnapeffect");
    // Without the path line, the rest reads exactly as it did.
    std::string withoutPath = text;
    const size_t at = withoutPath.find("#PNAPPath");
    withoutPath.erase(at, withoutPath.find("\r\n", at) + 2 - at);
    auto settings = [](const std::string& t) {
        std::vector<std::tuple<int, std::optional<float>, std::string>> out;
        for (const TPlaylistLine& l : ParsePlaylist(t, Limit))
            if (l.LineKind != Kind::Motion)
                out.emplace_back(static_cast<int>(l.LineKind), l.X, l.Path);
        return out;
    };
    EXPECT_EQ(settings(text), settings(withoutPath));
}

TEST(MotionPlaylist, PathAndLevelBelongToTheirFileLineOnlyAndMalformedLinesChangeNothing) {
    testsupport::TempDir dir;
    for (const char* name : {"broken.wav", "good.wav", "late.wav", "plain.wav", "last.wav"})
        ASSERT_TRUE(WriteFileReplacing(dir.file(name), "x"));
    // Each file whose lines must go is followed by one without lines of its own.
    const std::string text = "#PNAPParam 1,0,0.5\r\n"
                             "#PNAPPath once 0,0,0,0;1,1,1,1\r\n"
                             "#PNAPLevel 0.5,1\r\n"
                             "deleted.wav\r\n" // not there: its path and mute go with it
                             "#PNAPParam 0,1\r\n"
                             "good.wav\r\n"
                             "#PNAPPath loop 0,0,0,0;2,1,1,1\r\n"
                             "#PNAPLevel 0.25,1\r\n"
                             "broken.wav\r\n" // there, fails to load: the same
                             "plain.wav\r\n"
                             "#PNAPPath loop 0,0,0,0;3,1,1,1\r\n"
                             "#PNAPLevel 0,1\r\n"
                             "late.wav\r\n"                     // deleted after reading: the same
                             "#PNAPPath loop 0,0,0,0;1,1,1\r\n" // malformed: as if not there
                             "#PNAPParam 0,0,1\r\n"
                             "last.wav\r\n";
    ASSERT_TRUE(WriteFileReplacing(dir.file("s.pna"), text));
    const TPlaylistRead read = ReadPlaylist(dir.file("s.pna"), Limit, 32);
    ASSERT_EQ(read.Missing, std::vector<std::string>{dir.file("deleted.wav")});
    ASSERT_EQ(std::remove(dir.file("late.wav").c_str()), 0);
    std::vector<std::pair<int, TPlaylistChannel>> loaded;
    ApplyPlaylist(
        read, 32, [](const TPlaylistLine&) {},
        [&](int slot, const TPlaylistChannel& c) {
            if (c.FileName.ends_with("broken.wav"))
                return false;
            loaded.emplace_back(slot, c);
            return true;
        });
    ASSERT_EQ(loaded.size(), 3u);
    for (const auto& [slot, c] : loaded) {
        EXPECT_FALSE(c.Motion) << slot;
        EXPECT_EQ(std::tie(c.Gain, c.Muted), std::tuple(1.f, false)) << slot;
    }
    const TPlaylistChannel& good = loaded[0].second;
    EXPECT_EQ(std::tie(good.X, good.Y, good.Z), std::tuple(0.f, 1.f, 0.5f))
        << "the place waits for the file that loads";
    EXPECT_EQ(loaded[1].first, 3) << "the broken file keeps its slot";
    EXPECT_EQ(loaded[2].second.Z, 1.f);
}

TEST(MotionPlaylist, PathLinesMayBeLongOtherLinesNot) {
    auto lineOf = [](size_t points) {
        TMotionPath p{TMotionMode::Loop, {}};
        for (size_t i = 0; i < points; ++i)
            p.Points.push_back({static_cast<double>(i), 0.150000005960464f, -0.5f, 2.5f});
        return FormatMotionPathLine(p);
    };
    const std::string big = lineOf(5000);   // about 190 KiB
    const std::string huge = lineOf(40000); // over 1 MiB
    ASSERT_GT(big.size(), TPlaylistLineSplitter::MaxLineLength);
    ASSERT_LT(big.size(), MotionPathMaxLineLength);
    ASSERT_GT(huge.size(), MotionPathMaxLineLength);
    const std::string longComment = "#" + std::string(big.size(), 'x');
    const std::string text = "#PNAPPath" + big.substr(9) + "\r\na.wav\r\n" + longComment +
                             "\r\nb.wav\r\n" + huge + "\r\nc.wav\r\n" +
                             std::string(big.size(), 'd') + "\r\n";
    // Fed in small pieces, as a file is read.
    std::vector<TPlaylistLine> lines;
    TPlaylistLineSplitter splitter;
    auto each = [&](std::string_view t) {
        if (auto l = ClassifyPlaylistLine(t, Limit))
            lines.push_back(*l);
        return true;
    };
    for (size_t at = 0; at < text.size(); at += 4093)
        splitter.Feed(std::string_view(text).substr(at, 4093), each);
    splitter.Finish(each);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].LineKind, Kind::Motion);
    EXPECT_EQ(lines[0].Motion->Points.size(), 5000u);
    EXPECT_EQ(lines[1].Path, "a.wav");
    EXPECT_EQ(lines[2].Path, "b.wav");
    EXPECT_EQ(lines[3].Path, "c.wav") << "the over-long path line and file line are skipped";
}

} // namespace
