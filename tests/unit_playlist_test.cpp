// The playlist text: writer, reader with its field scan, paths in a playlist,
// and where the auto-save lives.
#include <gtest/gtest.h>

#include "playlist/AutoSave.h"
#include "playlist/PathRules.h"
#include "playlist/PlaylistFormat.h"
#include "spatial/Coordinates.h"

namespace {

constexpr double Limit = 50 * static_cast<double>(0.05f);
using Kind = TPlaylistLine::Kind;

TPlaylistLine OnlyLine(std::string_view text) {
    const auto lines = ParsePlaylist(text, Limit);
    EXPECT_EQ(lines.size(), 1u) << text;
    return lines.empty() ? TPlaylistLine{} : lines[0];
}

TEST(Playlist, WorkedExampleByteForByteAndBack) {
    const float threeSteps = coords::StepToX(3, 0.05f);
    const std::string text = FormatPlaylist(
        5, 3,
        {{1.25f, 0.f, -0.5f, "/Sound/rain.wav"}, {threeSteps, -2.5f, 2.5f, "/Sound/birds.ogg"}});
    EXPECT_EQ(text, "#PNAPEffect 5,3\r\n"
                    "#PNAPParam 1.25,0,-0.5\r\n"
                    "/Sound/rain.wav\r\n"
                    "#PNAPParam 0.150000005960464,-2.5,2.5\r\n"
                    "/Sound/birds.ogg\r\n");

    const auto lines = ParsePlaylist(text, Limit);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].LineKind, Kind::Effect);
    EXPECT_EQ(lines[0].ReverbLevel, 5);
    EXPECT_EQ(lines[0].Environment, 3);
    EXPECT_EQ(lines[1].LineKind, Kind::Position);
    EXPECT_EQ(lines[1].X, 1.25f);
    EXPECT_EQ(lines[1].Y, 0.f);
    EXPECT_EQ(lines[1].Z, -0.5f);
    EXPECT_EQ(lines[2].Path, "/Sound/rain.wav");
    EXPECT_EQ(lines[3].X, threeSteps) << "the float itself, not 0.15";
    EXPECT_EQ(lines[4].Path, "/Sound/birds.ogg");

    EXPECT_EQ(FormatPlaylist(0, 0, {}), "#PNAPEffect 0,0\r\n") << "no channel: the effect line";
}

TEST(Playlist, EveryFloatInRangeReadsBackExactlyInFixedNotation) {
    std::vector<float> values = {1e-6f, -1e-6f, 1e-30f, 3.3e-7f, 0.05f, 2.5f, -2.5f, 1.0f};
    for (int step = -50; step <= 50; ++step)
        values.push_back(coords::StepToX(step, 0.05f));
    uint32_t seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back(static_cast<float>(seed % 5000001) / 1e6f - 2.5f);
    }
    for (float v : values) {
        const std::string s = FormatPlaylistNumber(v);
        EXPECT_EQ(s.find_first_of("eE,"), std::string::npos) << s;
        const auto line = OnlyLine("#PNAPParam " + s + "," + s + "," + s);
        EXPECT_EQ(line.X, v) << s;
        EXPECT_EQ(line.Z, v) << s;
    }
    EXPECT_EQ(FormatPlaylistNumber(1e-6f), "0.000000999999997475243");
    EXPECT_EQ(FormatPlaylistNumber(-0.0), "0");
    EXPECT_EQ(FormatPlaylistNumber(1234.5), "1234.5");
    EXPECT_EQ(FormatPlaylistNumber(1e20), "100000000000000000000");
}

TEST(Playlist, EffectLineFieldsAndRanges) {
    auto effect = [](std::string_view text) {
        const auto l = OnlyLine(text);
        EXPECT_EQ(l.LineKind, Kind::Effect) << text;
        return std::pair(l.ReverbLevel.value_or(-1), l.Environment.value_or(-1));
    };
    EXPECT_EQ(effect("#PNAPEffect 25,30"), std::pair(0, 0)) << "out of range becomes 0 (Off)";
    EXPECT_EQ(effect("#pnapeffect 20,26"), std::pair(20, 26));
    EXPECT_EQ(effect("#PnApEfFeCt7,2"), std::pair(7, 2)) << "nothing required behind the key";
    EXPECT_EQ(effect("#PNAPEffect 5,,3"), std::pair(5, 3)) << "two separators give no field";
    EXPECT_EQ(effect("#PNAPEffect 5,3,"), std::pair(5, -1)) << "a trailing separator fails";
    EXPECT_EQ(effect("#PNAPEffect -5,3"), std::pair(5, 3)) << "a minus ends a field";
    EXPECT_EQ(effect("#PNAPEffect 2.5"), std::pair(2, 5)) << "a point ends a field";
    EXPECT_EQ(effect("#PNAPEffect  4 , 1 ,9"), std::pair(4, 1)) << "spaces trimmed, rest ignored";
    EXPECT_EQ(effect("#PNAPEffect 99999999999,1"), std::pair(1, -1)) << "overflow does not convert";
    EXPECT_EQ(effect("#PNAPEffect"), std::pair(-1, -1));
}

TEST(Playlist, PositionLineFieldsAndClamping) {
    auto pos = [](std::string_view text) {
        const auto l = OnlyLine(text);
        EXPECT_EQ(l.LineKind, Kind::Position) << text;
        return std::vector<float>{l.X.value_or(99), l.Y.value_or(99), l.Z.value_or(99)};
    };
    EXPECT_EQ(pos("#PNAPParam 7,-7,1"), (std::vector<float>{2.5f, -2.5f, 1}));
    EXPECT_EQ(pos("#pnapparam 1,2"), (std::vector<float>{1, 2, 99})) << "Z keeps its pending value";
    EXPECT_EQ(pos("#PNAPPARAM 1,0.5,"), (std::vector<float>{1, 99, 99})) << "\"0.5,\" fails";
    EXPECT_EQ(pos("#PNAPParam 1.5+2a.5"), (std::vector<float>{1.5f, 2, 0.5f}))
        << "any other separates";
    EXPECT_EQ(pos("#PNAPParam 1e-6,0,0"), (std::vector<float>{1, -2.5f, 0}))
        << "why the writer never uses exponents";
    EXPECT_EQ(pos("#PNAPParam 1-2,,.5"), (std::vector<float>{0.5f, 99, 99}));
}

TEST(Playlist, LinesCommentsFilesAndTheEndOfTheText) {
    const std::string text = std::string("#EXTM3U\r\n#EXTINF:1,x\n\n#PNAP\r") +
                             "  /a b.wav  \r\r\n" + "rel/c.ogg\n" + "#pnapparam 1\r\n" + "last" +
                             std::string(1, '\0') + "\r\n/after/nul.wav\r\n";
    const auto lines = ParsePlaylist(text, Limit);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Path, "  /a b.wav  ") << "a file line is not trimmed";
    EXPECT_EQ(lines[1].Path, "rel/c.ogg");
    EXPECT_EQ(lines[2].LineKind, Kind::Position);
    EXPECT_EQ(lines[3].Path, "last") << "a NUL byte ends the text";
    EXPECT_TRUE(ParsePlaylist("", Limit).empty());

    // Any bytes at all, and a megabyte without a line end, read without harm.
    std::string bytes;
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>((i * 7919) % 255 + 1);
    EXPECT_FALSE(ParsePlaylist(bytes, Limit).empty());
    EXPECT_EQ(ParsePlaylist("#PNAPParam " + std::string(1 << 20, '-'), Limit)[0].X, std::nullopt);
}

TEST(Playlist, AByteOrderMarkBeforeTheFirstLineIsNoPartOfIt) {
    // Editors that save UTF-8 with a signature put these three bytes first.
    EXPECT_EQ(OnlyLine("\xEF\xBB\xBF/music/a.wav\r\n").Path, "/music/a.wav");
    const TPlaylistLine effect = OnlyLine("\xEF\xBB\xBF#PNAPEffect 5,3\r\n");
    EXPECT_EQ(effect.LineKind, Kind::Effect);
    EXPECT_EQ(effect.ReverbLevel, 5);
    EXPECT_TRUE(ParsePlaylist("\xEF\xBB\xBF#EXTM3U\r\n", Limit).empty()) << "still a comment";
    EXPECT_EQ(OnlyLine("/a\xEF\xBB\xBF.wav").Path, "/a\xEF\xBB\xBF.wav") << "only at the start";
}

TEST(Playlist, WriterSkipsNamesThatWouldReadAsOtherLines) {
    const std::string text = FormatPlaylist(1, 2, {{0, 0, 0, "/x\n/etc/passwd"}, {0, 0, 0, "/ok"}});
    EXPECT_EQ(text, "#PNAPEffect 1,2\r\n#PNAPParam 0,0,0\r\n/ok\r\n");
}

TEST(Playlist, FileLinesAgainstThePlaylistsFolder) {
    EXPECT_EQ(PathInPlaylist("/lists/a.pna", "birds.ogg"), "/lists/birds.ogg");
    EXPECT_EQ(PathInPlaylist("/lists/a.pna", "sub/x.wav"), "/lists/sub/x.wav");
    EXPECT_EQ(PathInPlaylist("/lists/a.pna", "/abs/x.wav"), "/abs/x.wav");
    EXPECT_EQ(PathInPlaylist("a.pna", "x.wav"), "x.wav");
}

TEST(AutoSave, BesideAWritableUninstalledProgramElsePerUser) {
    TAutoSaveFacts f{"/opt/pp", true, false, "/home/u/.config/PhonaraPlayer"};
    EXPECT_EQ(AutoSavePathFor(f), "/opt/pp/PNAPini.pna");
    f.InstalledCopy = true;
    EXPECT_EQ(AutoSavePathFor(f), "/home/u/.config/PhonaraPlayer/PNAPini.pna");
    f.InstalledCopy = false;
    f.ProgramFolderWritable = false;
    EXPECT_EQ(AutoSavePathFor(f), "/home/u/.config/PhonaraPlayer/PNAPini.pna");
    f.UserConfigFolder.clear();
    EXPECT_EQ(AutoSavePathFor(f), "/opt/pp/PNAPini.pna") << "no per-user folder known";
}

} // namespace
