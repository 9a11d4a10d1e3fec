// The export's rules without audio: the command line in both directions,
// format names, the normalising gain, where a render ends, the child's lines.
// What each format writes is read back from real files in gui_export_test.
#include <QStringList>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

#include "CommaLocale.h"
#include "SoundFiles.h"
#include "app/CommandLine.h"
#include "export/ExportOptions.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistReading.h"

namespace {

using TAction = TCommandLine::TAction;
using TFormat = TExportFormat;
using Args = std::vector<std::string>;

TCommandLine Parse(const Args& args) {
    QStringList list{"phonaraplayer"};
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    return ParseCommandLine(list);
}

TEST(ExportCommandLine, WhatEachCommandLineAsksFor) {
    const struct {
        Args args;
        TAction action;
        Args files;
    } cases[] = {
        {{}, TAction::Window, {}},
        {{"a.wav", "b.ogg"}, TAction::Window, {"a.wav", "b.ogg"}},
        // Qt's own window options are left to Qt, not taken for files.
        {{"-platform", "offscreen", "set.pna"}, TAction::Window, {"set.pna"}},
        {{"-style", "fusion", "-reverse", "a.wav"}, TAction::Window, {"a.wav"}},
        {{"--", "-odd.wav", "--help"}, TAction::Window, {"-odd.wav", "--help"}},
        {{"--help"}, TAction::Help, {}},
        {{"-h"}, TAction::Help, {}},
        {{"--version"}, TAction::Version, {}},
        {{"--bogus"}, TAction::Usage, {}},
        {{"-odd.wav"}, TAction::Usage, {}},
        {{"--loop", "a.wav"}, TAction::Usage, {}}, // an export option without --export
        {{"-f", "a.wav"}, TAction::Usage, {}},
        {{"--export", "o.wav"}, TAction::Usage, {}}, // no playlist
        {{"--export", "o.wav", "a.pna", "b.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "a.pna", "b.wav"}, TAction::Usage, {}}, // a playlist is alone
        {{"--export", "o.wav", "--hrtf-set", "x", "a.pna"}, TAction::Usage, {}}, // needs HRTF
        {{"--export", "o.xyz", "a.pna"}, TAction::Usage, {}},                    // no format known
        {{"--export", "/a.b/noext", "a.pna"}, TAction::Usage, {}}, // a dot, but in the folder
        {{"--export", "o.wav", "--rate", "22050", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--hrtf", "maybe", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--loop", "a.pna"}, TAction::Usage, {}}, // loop needs a length
        {{"--export", "o.wav", "--seconds", "-3", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--normalize", "5", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.ogg", "--quality", "11", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--format", "mp3", "a.pna"}, TAction::Usage, {}},
    };
    for (const auto& c : cases) {
        const TCommandLine line = Parse(c.args);
        const std::string joined = ::testing::PrintToString(c.args);
        EXPECT_EQ(line.Action, c.action) << joined << " -> " << line.Message;
        EXPECT_EQ(line.Files, c.files) << joined;
        EXPECT_TRUE(c.action != TAction::Usage || !line.Message.empty()) << joined;
    }
    EXPECT_NE(Parse({"--help"}).Message.find("--export <OUT>"), std::string::npos);
    EXPECT_NE(Parse({"--help"}).Message.find("130"), std::string::npos);
    EXPECT_EQ(Parse({"--version"}).Message, "PhonaraPlayer " PHONARA_TEST_VERSION);
    // The format follows the name unless given.
    EXPECT_EQ(Parse({"--export", "a.FLAC", "s.pna"}).Export.Format, TFormat::Flac16);
    EXPECT_EQ(Parse({"--export", "a.oga", "s.pna"}).Export.Format, TFormat::Ogg);
    EXPECT_EQ(Parse({"--export", "a.wav", "--format", "float", "s.pna"}).Export.Format,
              TFormat::Float);
    EXPECT_EQ(Parse({"--export", "a.wav", "--normalize", "-23", "s.pna"}).Export.NormalizeLufs,
              -23.0);
    // Standard output streams WAV unless told otherwise; a file that is there
    // is replaced only when asked.
    EXPECT_EQ(Parse({"--export", "-", "s.pna"}).Export.Format, TFormat::Wav16);
    EXPECT_EQ(Parse({"--export", "/dev/stdout", "s.pna"}).Export.Format, TFormat::Wav16);
    EXPECT_FALSE(Parse({"--export", "a.wav", "s.pna"}).Export.Force);
    EXPECT_TRUE(Parse({"--export", "a.wav", "-f", "s.pna"}).Export.Force);
    // Sound files instead of a playlist, told by the first name's extension
    // as at start; numbers are C-locale numbers: 7,5 is no length.
    const TExportOptions files = Parse({"--export", "o.wav", "a.wav", "b.PNA.flac"}).Export;
    EXPECT_EQ(files.SoundFiles, (Args{"a.wav", "b.PNA.flac"}));
    EXPECT_EQ(files.Playlist, "");
    EXPECT_EQ(Parse({"--export", "o.wav", "S.M3U8"}).Export.Playlist, "S.M3U8");
    EXPECT_EQ(Parse({"--export", "o.wav", "--seconds", "7.5", "a.wav"}).Export.Seconds, 7.5);
    EXPECT_EQ(Parse({"--export", "o.wav", "--seconds", "7,5", "a.wav"}).Action, TAction::Usage);
    // The layouts: by name, --hrtf as binaural's alias, and what each
    // container can hold.
    const struct {
        Args args;
        std::optional<TExportLayout> layout; // none: refused
    } layouts[] = {
        {{"--layout", "5.1"}, TExportLayout::Surround51},
        {{"--layout", "7.1", "--format", "flac24"}, TExportLayout::Surround71},
        {{"--layout", "QUAD"}, TExportLayout::Quad},
        {{"--layout", "ambix1", "--format", "flac16"}, TExportLayout::Ambix1},
        {{"--layout", "ambix3", "--format", "float"}, TExportLayout::Ambix3},
        {{"--hrtf", "on"}, TExportLayout::Binaural},
        {{"--hrtf", "off", "--layout", "stereo"}, TExportLayout::Stereo},
        {{"--hrtf", "on", "--layout", "binaural", "--hrtf-set", "x"}, TExportLayout::Binaural},
        {{"--layout", "ambix2", "--format", "flac16"}, std::nullopt}, // 9 channels
        {{"--layout", "5.1", "--format", "ogg"}, std::nullopt},
        {{"--layout", "5.1", "--hrtf", "on"}, std::nullopt},
        {{"--layout", "6.1"}, std::nullopt},
        {{"--layout", "quad", "--hrtf-set", "x"}, std::nullopt},
    };
    for (const auto& l : layouts) {
        Args args{"--export", "o.wav"};
        args.insert(args.end(), l.args.begin(), l.args.end());
        args.push_back("s.pna");
        const TCommandLine line = Parse(args);
        const std::string joined = ::testing::PrintToString(args);
        if (!l.layout) {
            EXPECT_EQ(line.Action, TAction::Usage) << joined;
            continue;
        }
        EXPECT_EQ(line.Action, TAction::Export) << joined << " -> " << line.Message;
        EXPECT_EQ(line.Export.Layout, *l.layout) << joined;
        EXPECT_EQ(ExportLayoutOfName(ExportLayoutName(*l.layout)), l.layout);
    }
    Args many{"--export", "o.wav"};
    for (int i = 0; i < 33; ++i)
        many.push_back("f" + std::to_string(i) + ".wav");
    EXPECT_EQ(Parse(many).Action, TAction::Usage);
}

// Every format by its name, and every option, through the arguments the
// window gives its child.
TEST(ExportCommandLine, TheWindowsArgumentsReadBackAsTheSameExport) {
    TExportOptions full, plain;
    full.Output = "/tmp/mix.ogg";
    full.Playlist = plain.Playlist = "-starts-with-minus.pna";
    full.Format = TFormat::Ogg;
    full.OggQuality = 3;
    full.Rate = 48000;
    full.Layout = TExportLayout::Binaural;
    full.Loop = full.MachineProgress = full.Force = true;
    full.Seconds = 12.5;
    full.NormalizeLufs = -16.3;
    full.HrtfDataSet = "-Built-In HRTF";
    full.Language = "ja"; // the window's, for the child's messages
    plain.Output = "/tmp/no-extension";
    TExportOptions sounds = plain;
    sounds.Playlist.clear();
    sounds.SoundFiles = {"-a.wav", "b.flac"};
    std::vector<TExportOptions> exports{full, sounds};
    for (TExportLayout l : ExportLayouts()) {
        plain.Layout = l;
        plain.Format = TFormat::Wav24;
        exports.push_back(plain);
    }
    plain.Layout = TExportLayout::Stereo;
    for (TFormat f : {TFormat::Wav16, TFormat::Wav24, TFormat::Float, TFormat::Flac16,
                      TFormat::Flac24, TFormat::Ogg}) {
        plain.Format = f;
        exports.push_back(plain);
    }
    for (const TExportOptions& o : exports) {
        const TCommandLine line = Parse(ExportArguments(o));
        ASSERT_EQ(line.Action, TAction::Export) << line.Message;
        EXPECT_EQ(line.Export, o) << ExportFormatName(o.Format);
        EXPECT_EQ(ExportFormatOfName(ExportFormatName(o.Format)), o.Format);
    }
}

// What the extension of a typed name says of the format.
TEST(ExportFormats, AnExtensionFitsItsKindOfFileOnly) {
    const struct {
        const char* path;
        TFormat format;
        bool fits;
    } cases[] = {
        {"mix.wav", TFormat::Wav24, true},       {"MIX.WAV", TFormat::Float, true},
        {"mix.flac", TFormat::Flac24, true},     {"mix.oga", TFormat::Ogg, true},
        {"mix.flac", TFormat::Wav16, false},     {"mix.wav", TFormat::Flac16, false},
        {"mix.ogg", TFormat::Wav16, false},      {"mix", TFormat::Wav16, false},
        {"a.wav/mix", TFormat::Wav16, false},    {"mix.mp3", TFormat::Wav16, false},
        {"mix.wav.flac", TFormat::Flac16, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtensionFitsFormat(c.path, c.format), c.fits) << c.path;
}

// The scene the window hands its export: each channel's gain and mute go
// with its file, and only when they change something, so that a scene
// without them is the playlist the window saves.
TEST(ExportScene, LevelsTravelWithTheirFilesAndOnlyWhenTheyChangeSomething) {
    testsupport::TempDir dir;
    const std::string a = dir.file("a.wav"), b = dir.file("b.wav"), c = dir.file("c.wav");
    for (const std::string& f : {a, b, c})
        ASSERT_TRUE(WriteFileReplacing(f, "x"));
    const std::string text = FormatPlaylist(3, 0,
                                            {{1, 0, 0, a},
                                             {0, 0, 0, dir.file("gone.wav"), 0.25f},
                                             {0, 0, 0, b, 0.5f, false},
                                             {0, 0, 0, c, 1.f, true}});
    EXPECT_NE(text.find("#PNAPLevel 0.5,0\r\n" + b + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("#PNAPLevel 1,1\r\n" + c + "\r\n"), std::string::npos) << text;
    EXPECT_EQ(FormatPlaylist(3, 0, {{1, 0, 0, a}}).find("Level"), std::string::npos);
    ASSERT_TRUE(WriteFileReplacing(dir.file("s.pna"), text));
    std::vector<TPlaylistChannel> got;
    ApplyPlaylist(
        ReadPlaylist(dir.file("s.pna"), 2.5, 32), 32, [](const TPlaylistLine&) {},
        [&](int, const TPlaylistChannel& ch) {
            got.push_back(ch);
            return true;
        });
    ASSERT_EQ(got.size(), 3u);
    // The missing file's level goes with it.
    EXPECT_EQ(std::tie(got[0].Gain, got[0].Muted), std::tuple(1.f, false));
    EXPECT_EQ(std::tie(got[1].Gain, got[1].Muted), std::tuple(0.5f, false));
    EXPECT_EQ(std::tie(got[2].Gain, got[2].Muted), std::tuple(1.f, true));
    // Out of range and the field scan's rules, as for the other lines.
    const auto level = [](const char* line) {
        const TPlaylistLine l = ParsePlaylist(line, 2.5).at(0);
        return std::tuple(l.Gain.value_or(-1), l.Muted.value_or(false));
    };
    EXPECT_EQ(level("#pnaplevel 7,0"), std::tuple(1.f, false));
    EXPECT_EQ(level("#PNAPLevel 0.125,2"), std::tuple(0.125f, true));
    EXPECT_EQ(level("#PNAPLevel x"), std::tuple(-1.f, false));
}

// Under a comma-decimal C library locale, everything read by programs keeps
// the point: the child's lines, its arguments, the terminal's summary.
TEST(ExportChildLines, NumbersForProgramsKeepThePointInACommaLocale) {
    const std::string& folder = testsupport::CommaLocaleFolder();
    if (folder.empty())
        GTEST_SKIP() << "localedef or the locale sources (package locales) are missing";
    setenv("LOCPATH", folder.c_str(), 1);
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    ASSERT_NE(std::setlocale(LC_NUMERIC, testsupport::CommaLocaleName), nullptr);
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 7.5);
    const std::string comma = probe;
    TExportOptions o;
    o.Output = "o.wav";
    o.Playlist = "s.pna";
    o.Seconds = 7.5;
    o.NormalizeLufs = -16.5;
    const Args args = ExportArguments(o);
    const TExportSummary s{6.68, -16.0, -1.5, 4.25, 22.5, true, false};
    const std::string progress = ProgressLine(1.5, 7.5), result = ResultLine(s),
                      summary = SummaryText(s);
    const TChildLine back = ParseChildLine(result);
    std::setlocale(LC_NUMERIC, before.c_str());
    unsetenv("LOCPATH");

    EXPECT_EQ(comma, "7,5") << "the locale is not in effect";
    EXPECT_EQ(progress, "PROGRESS 1.5 7.5\n");
    EXPECT_NE(std::find(args.begin(), args.end(), "7.5"), args.end());
    EXPECT_NE(std::find(args.begin(), args.end(), "-16.5"), args.end());
    EXPECT_EQ(back.Summary, s) << result;
    for (const char* part : {"6.68 秒", "-16.0 LUFS", "-1.5 dBTP", "ゲイン +4.2 dB"})
        EXPECT_NE(summary.find(part), std::string::npos) << summary;
    // A meter that did not start is said so, never as a loudness.
    TExportSummary unmeasured = s;
    unmeasured.Measured = false;
    EXPECT_EQ(ParseChildLine(ResultLine(unmeasured)).Summary, unmeasured);
    EXPECT_EQ(SummaryText(unmeasured).find("LUFS"), std::string::npos);
    EXPECT_NE(SummaryText(unmeasured).find("測っていません"), std::string::npos);
    // What the limiter did goes over to the window and into the summary.
    TExportSummary limited = s;
    limited.LimiterDb = -3.24;
    limited.LimiterShare = 0.014;
    EXPECT_EQ(ParseChildLine(ResultLine(limited)).Summary, limited);
    EXPECT_NE(SummaryText(limited).find("リミッター: 最大 -3.2 dB、時間の 1.4 %"),
              std::string::npos)
        << SummaryText(limited);
    EXPECT_EQ(SummaryText(s).find("リミッター"), std::string::npos);
    // The window's names no command-line option.
    EXPECT_EQ(SummaryText(limited, PointNumber, SourceText, false).find("--"), std::string::npos);
}

TEST(ExportLoudness, GainReachesTheTargetOrStopsAtTheCeiling) {
    const struct {
        double lufs, peak, target, gain;
        bool limited;
    } table[] = {
        {-20, -10, -16, 4, false},             // room enough
        {-10, -2, -16, -6, false},             // turned down
        {-30, -6, -16, 5, true},               // +14 would put the peak at +8: stops at -1
        {-20, -1, -16, 0, true},               // already at the ceiling
        {-23, -4, -23, 0, false},              // on target
        {-HUGE_VAL, -HUGE_VAL, -16, 0, false}, // silence stays silence
    };
    for (const auto& row : table) {
        const TNormalisation n = NormalisationGain(row.lufs, row.peak, row.target);
        EXPECT_NEAR(n.GainDb, row.gain, 1e-9) << row.lufs << " " << row.peak;
        EXPECT_EQ(n.PeakLimited, row.limited) << row.lufs << " " << row.peak;
    }
}

// A render of 100 frames per second in blocks of 10 frames: files play for
// 2 blocks, then a tail.
TEST(ExportLength, QuietTailIsCutAfterHalfASecondAndPausesInsideStay) {
    std::vector<float> kept;
    TTailTrimmer trimmer(100), endless(100);
    auto push = [&](TTailTrimmer& t, float v, bool playing) {
        const std::vector<float> block(2 * 10, v);
        return t.push(block.data(), 10, playing, [&kept](const float* p, size_t frames) {
            kept.insert(kept.end(), p, p + 2 * frames);
        });
    };
    // Silence while files play is part of them; then 0.3 s of quiet (a
    // pause), sound, and quiet for good.
    const std::pair<float, bool> steps[] = {{0.f, true},    {0.5f, true},   {1e-6f, false},
                                            {1e-6f, false}, {1e-6f, false}, {0.01f, false}};
    for (const auto& [v, playing] : steps)
        EXPECT_FALSE(push(trimmer, v, playing));
    bool done = false;
    for (int i = 0; i < 10 && !done; ++i)
        done = push(trimmer, 0.f, false);
    EXPECT_TRUE(done && trimmer.done());
    ASSERT_EQ(kept.size(), size_t(2 * 60)); // 2 blocks + the 0.3 s pause + 0.1 s of sound
    EXPECT_EQ(kept[2 * 25], 1e-6f);
    EXPECT_EQ(kept.back(), 0.01f);
    // A tail that never falls quiet ends 10 s after the files.
    kept.clear();
    for (int blocks = 0; blocks < 1000 && !push(endless, 0.1f, false); ++blocks) {
    }
    EXPECT_EQ(kept.size(), size_t(2 * 10 * 100));
}

TEST(ExportChildLines, ProgressAndResultReadBack) {
    const TChildLine p = ParseChildLine(ProgressLine(1.5, 12.25));
    EXPECT_EQ(p.LineKind, TChildLine::Kind::Progress);
    EXPECT_DOUBLE_EQ(p.Rendered, 1.5);
    EXPECT_DOUBLE_EQ(p.Total, 12.25);
    TExportSummary s{3.25, -16.0625, -1.5, 4.5, 22.5, true, true};
    const TChildLine r = ParseChildLine(ResultLine(s));
    EXPECT_EQ(r.LineKind, TChildLine::Kind::Result);
    EXPECT_EQ(r.Summary, s);
    EXPECT_EQ(ParseChildLine("exporting 3.0 s").LineKind, TChildLine::Kind::Other);
    EXPECT_EQ(ParseChildLine("PROGRESS x").LineKind, TChildLine::Kind::Other);
    const std::string text = SummaryText(s);
    for (const char* part : {"3.25 秒", "-16.1 LUFS", "-1 dBTP の上限"})
        EXPECT_NE(text.find(part), std::string::npos) << text;
}

} // namespace
