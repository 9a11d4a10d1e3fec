// The playlist text: writer, reader with its field scan, paths in a playlist,
// and where the auto-save lives.
#include <gtest/gtest.h>
#include <tuple>

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
    const std::string key = "#PNAPParam ";
    EXPECT_EQ(OnlyLine(key + std::string(TPlaylistLineSplitter::MaxLineLength - key.size(), '-')).X,
              std::nullopt);
    // A longer line cannot be a path or a setting: it is skipped, not cut.
    EXPECT_TRUE(ParsePlaylist(key + std::string(1 << 20, '-'), Limit).empty());
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

// The same lines however the text arrives: whole, or in pieces that split a
// CR LF, the signature or a line anywhere.
TEST(Playlist, LinesAreCutTheSameWhateverPiecesTheTextComesIn) {
    const std::string longest(TPlaylistLineSplitter::MaxLineLength, 'k');
    const std::string tooLong(TPlaylistLineSplitter::MaxLineLength + 1, 't');
    // Each text and the lines cut from it.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
        {"a\r\rb\n\r\n", {"a", "", "b", ""}},
        {"\xEF\xBB\xBF#x\r\n\xEF\xBB\xBFy", {"#x", "\xEF\xBB\xBFy"}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {longest + "\r\n" + tooLong + "\r\nafter", {longest, "after"}},
        {"x\n" + tooLong, {"x"}},
        {"", {}},
    };
    for (const auto& [text, expected] : cases)
        for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(65536), text.size() + 1}) {
            TPlaylistLineSplitter splitter;
            std::vector<std::string> lines;
            auto add = [&](std::string_view line) {
                lines.emplace_back(line);
                return true;
            };
            bool more = true;
            for (size_t at = 0; more && at < text.size(); at += piece)
                more = splitter.Feed(std::string_view(text).substr(at, piece), add);
            if (more)
                splitter.Finish(add);
            EXPECT_EQ(lines, expected) << text.substr(0, 20) << " in pieces of " << piece;
        }
}

// Settings lines merged between file lines leave what reading them one by one
// leaves; file lines keep their places.
TEST(Playlist, ADigestKeepsWhatTheLinesDo) {
    const std::string text = "#PNAPEffect 3,4\r\n#PNAPParam 1,1,1\r\n#PNAPEffect ,7\r\n"
                             "#PNAPParam 0.5,0.25\r\n/a.wav\r\n#PNAPParam ,,2\r\n"
                             "#PNAPEffect 9\r\n/b.wav\r\n/c.wav\r\n";
    TPlaylistDigest digest;
    for (const TPlaylistLine& line : ParsePlaylist(text, Limit))
        digest.Add(line);
    // Each line as kind and fields, "-" for a field absent.
    auto field = [](const auto& v) { return v ? std::to_string(*v) : std::string("-"); };
    std::vector<std::string> lines;
    for (const TPlaylistLine& l : digest.Lines)
        lines.push_back(l.LineKind == Kind::File ? l.Path
                        : l.LineKind == Kind::Effect
                            ? "E " + field(l.ReverbLevel) + " " + field(l.Environment)
                            : "P " + field(l.X) + " " + field(l.Y) + " " + field(l.Z));
    // An empty field takes no index: the later line's value stays.
    EXPECT_EQ(lines, (std::vector<std::string>{"E 7 4", "P 0.500000 0.250000 1.000000", "/a.wav",
                                               "P 2.000000 - -", "E 9 -", "/b.wav", "/c.wav"}));
}

TEST(AutoSave, APreviousGenerationIsKeptWhenASmallerOrOtherArrangementReplacesIt) {
    EXPECT_EQ(PreviousAutoSavePathFor("/home/u/.config/PhonaraPlayer/PNAPini.pna"),
              "/home/u/.config/PhonaraPlayer/PNAPini.previous.pna");
    EXPECT_EQ(FilesNamedIn("#PNAPEffect 1,1\r\n#PNAPParam 1,1,1\r\nrel.wav\r\n#c\r\n/abs.ogg",
                           "/cfg/PNAPini.pna"),
              (std::vector<std::string>{"/cfg/rel.wav", "/abs.ogg"}));
    using Files = std::vector<std::string>;
    // The files of the old and the new arrangement; whether the old is kept.
    const std::tuple<Files, Files, bool> cases[] = {
        {{"/a", "/b", "/c"}, {"/a", "/b"}, true},  // fewer
        {{"/a", "/b"}, {"/c", "/d"}, true},        // none of the same
        {{"/a"}, {"/x", "/y", "/z"}, true},        // more, but none of the same
        {{"/a", "/b"}, {"/b", "/a"}, false},       // the same, reordered
        {{"/a", "/b"}, {"/a", "/c", "/d"}, false}, // grown
        {{}, {"/a"}, false},                       // nothing to keep
        {{}, {}, false},                           // nothing to keep
        {{"/a"}, {}, true},                        // emptied
    };
    for (const auto& [old, fresh, keep] : cases)
        EXPECT_EQ(KeepsPreviousAutoSave(old, fresh), keep) << old.size() << " -> " << fresh.size();
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
