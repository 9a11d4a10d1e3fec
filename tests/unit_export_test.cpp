// The export's rules without audio: the command line in both directions,
// format names, the normalising gain, where a render ends, the child's lines.
#include <QStringList>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <vector>

#include "app/CommandLine.h"
#include "export/ExportOptions.h"

namespace {

using TAction = TCommandLine::TAction;

TCommandLine Parse(std::vector<const char*> args) {
    QStringList list{"phonaraplayer"};
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return ParseCommandLine(list);
}

TEST(ExportCommandLine, WhatEachCommandLineAsksFor) {
    struct Case {
        std::vector<const char*> args;
        TAction action;
        std::vector<std::string> files;
    };
    const Case cases[] = {
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
        {{"--loop", "a.wav"}, TAction::Usage, {}},   // an export option without --export
        {{"--export", "o.wav"}, TAction::Usage, {}}, // no playlist
        {{"--export", "o.wav", "a.pna", "b.pna"}, TAction::Usage, {}},
        {{"--export", "o.xyz", "a.pna"}, TAction::Usage, {}}, // no format known
        {{"--export", "o.wav", "--rate", "22050", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--hrtf", "maybe", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--loop", "a.pna"}, TAction::Usage, {}}, // loop needs a length
        {{"--export", "o.wav", "--seconds", "-3", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--normalize", "5", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.ogg", "--quality", "11", "a.pna"}, TAction::Usage, {}},
        {{"--export", "o.wav", "--format", "mp3", "a.pna"}, TAction::Usage, {}},
    };
    for (const Case& c : cases) {
        const TCommandLine line = Parse(c.args);
        std::string joined;
        for (const char* a : c.args)
            joined += std::string(a) + " ";
        EXPECT_EQ(line.Action, c.action) << joined << "-> " << line.Message;
        EXPECT_EQ(line.Files, c.files) << joined;
        if (c.action == TAction::Usage) {
            EXPECT_FALSE(line.Message.empty()) << joined;
        }
    }
    EXPECT_NE(Parse({"--help"}).Message.find("--export <OUT>"), std::string::npos);
    EXPECT_NE(Parse({"--help"}).Message.find("Exit status"), std::string::npos);
    EXPECT_EQ(Parse({"--version"}).Message, "PhonaraPlayer " PHONARA_TEST_VERSION);
}

TEST(ExportCommandLine, TheWindowsArgumentsReadBackAsTheSameExport) {
    TExportOptions plain;
    plain.Output = "/tmp/out.wav";
    plain.Playlist = "-starts-with-minus.pna";
    TExportOptions full = plain;
    full.Output = "/tmp/mix.ogg";
    full.Format = TExportFormat::Ogg;
    full.OggQuality = 3;
    full.Rate = 48000;
    full.Hrtf = true;
    full.Loop = true;
    full.Seconds = 12.5;
    full.NormalizeLufs = -23;
    full.MachineProgress = true;
    TExportOptions flac = plain;
    flac.Output = "/tmp/no-extension";
    flac.Format = TExportFormat::Flac24;
    flac.NormalizeLufs = -16.3;
    for (const TExportOptions& o : {plain, full, flac}) {
        QStringList args{"phonaraplayer"};
        for (const std::string& a : ExportArguments(o))
            args << QString::fromStdString(a);
        const TCommandLine line = ParseCommandLine(args);
        ASSERT_EQ(line.Action, TAction::Export) << line.Message;
        EXPECT_EQ(line.Export, o) << args.join(' ').toStdString();
    }
    // The format follows the name unless given.
    EXPECT_EQ(Parse({"--export", "a.FLAC", "s.pna"}).Export.Format, TExportFormat::Flac16);
    EXPECT_EQ(Parse({"--export", "a.oga", "s.pna"}).Export.Format, TExportFormat::Ogg);
    EXPECT_EQ(Parse({"--export", "a.wav", "--format", "float", "s.pna"}).Export.Format,
              TExportFormat::Float);
    EXPECT_EQ(Parse({"--export", "a.wav", "--normalize", "-23", "s.pna"}).Export.NormalizeLufs,
              -23.0);
}

TEST(ExportFormats, NamesAndLibsndfileFormats) {
    const struct {
        const char* name;
        TExportFormat format;
        int sndfile;
    } table[] = {
        {"wav16", TExportFormat::Wav16, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"wav24", TExportFormat::Wav24, SF_FORMAT_WAV | SF_FORMAT_PCM_24},
        {"float", TExportFormat::Float, SF_FORMAT_WAV | SF_FORMAT_FLOAT},
        {"flac16", TExportFormat::Flac16, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"flac24", TExportFormat::Flac24, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
        {"ogg", TExportFormat::Ogg, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
    };
    for (const auto& row : table) {
        EXPECT_EQ(ExportFormatOfName(row.name), row.format);
        EXPECT_STREQ(ExportFormatName(row.format), row.name);
        EXPECT_EQ(SndfileFormatOf(row.format), row.sndfile) << row.name;
    }
    EXPECT_FALSE(ExportFormatOfName("mp3"));
    EXPECT_FALSE(ExportFormatOfPath("/a.b/noext"));
    EXPECT_FALSE(ExportFormatOfPath("song.mp3"));
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

// A render of 100 frames per second: files play for 3 blocks, then a tail.
TEST(ExportLength, QuietTailIsCutAfterHalfASecondAndPausesInsideStay) {
    constexpr int rate = 100;
    auto blockOf = [](float v) { return std::vector<float>(2 * 10, v); };
    std::vector<float> kept;
    auto keep = [&kept](const float* p, size_t frames) {
        kept.insert(kept.end(), p, p + 2 * frames);
    };

    TTailTrimmer trimmer(rate);
    // Silence while files play is part of them.
    EXPECT_FALSE(trimmer.push(blockOf(0.f).data(), 10, true, keep));
    EXPECT_FALSE(trimmer.push(blockOf(0.5f).data(), 10, true, keep));
    // The tail: 0.3 s of quiet (a pause), then sound, then quiet for good.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(trimmer.push(blockOf(1e-6f).data(), 10, false, keep));
    EXPECT_FALSE(trimmer.push(blockOf(0.01f).data(), 10, false, keep));
    bool done = false;
    for (int i = 0; i < 10 && !done; ++i)
        done = trimmer.push(blockOf(0.f).data(), 10, false, keep);
    EXPECT_TRUE(done);
    EXPECT_TRUE(trimmer.done());
    ASSERT_EQ(kept.size(), size_t(2 * 60)); // 2 blocks + the 0.3 s pause + 0.1 s of sound
    EXPECT_EQ(kept[2 * 25], 1e-6f);
    EXPECT_EQ(kept.back(), 0.01f);

    // A tail that never falls quiet ends 10 s after the files.
    TTailTrimmer endless(rate);
    size_t frames = 0;
    auto count = [&frames](const float*, size_t n) { frames += n; };
    int blocks = 0;
    while (!endless.push(blockOf(0.1f).data(), 10, false, count) && blocks < 1000)
        ++blocks;
    EXPECT_EQ(frames, size_t(10 * rate));
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
    EXPECT_NE(text.find("3.25 s"), std::string::npos) << text;
    EXPECT_NE(text.find("-16.1 LUFS"), std::string::npos) << text;
    EXPECT_NE(text.find("-1 dBTP ceiling"), std::string::npos) << text;
}

} // namespace
