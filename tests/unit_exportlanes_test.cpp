// The export split over render lanes: each lane renders a share of the
// sources on a device of its own, and their sum is the one-device render.
#include "SoundFiles.h"
#include "export/ExportRenderer.h"
#include "motion/MotionPath.h"
#include "playlist/PlaylistFormat.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

using namespace testsupport;

namespace {

std::vector<float> readFloats(const std::string& path, int& channels) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> s(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    channels = info.channels;
    return s;
}

// Five sources of their own pitches, one circling on a path, with the reverb
// and the room; amplitude per source.
std::string writeScene(const TempDir& dir, double amplitude, bool together = false) {
    std::vector<TPlaylistChannel> channels;
    for (int i = 0; i < 5; ++i) {
        TPlaylistChannel c;
        c.FileName = dir.file("s" + std::to_string(i) + ".wav");
        ToneSpec spec;
        spec.seconds = 0.4 + 0.1 * i;
        spec.frequency = 220.0 * (i + 1);
        spec.amplitude = amplitude;
        EXPECT_TRUE(writeTone(c.FileName, spec));
        c.X = together ? 0.f : -1.f + 0.5f * static_cast<float>(i);
        c.Z = together ? 0.5f : 1.f;
        if (i == 2 && !together)
            c.Motion =
                TMotionPath{TMotionMode::Loop, {{0, 0, 0, 1}, {0.25, 1, 0, 0}, {0.5, 0, 0, 1}}};
        channels.push_back(c);
    }
    const std::string list = dir.file(together ? "loud.pna" : "scene.pna");
    std::ofstream(list, std::ios::binary) << FormatPlaylist(12, 8, channels);
    return list;
}

TExportOutcome exportScene(const std::string& list, const std::string& out, TExportLayout layout,
                           int threads, bool limiter, std::optional<double> seconds) {
    TExportOptions o;
    o.Playlist = list;
    o.Output = out;
    o.Format = TExportFormat::Float;
    o.Layout = layout;
    o.Seconds = seconds;
    o.Force = true;
    o.Threads = threads;
    o.Limiter = limiter;
    const std::atomic<bool> cancel{false};
    return RenderExport(o, {}, cancel, "");
}

} // namespace

TEST(ExportLanes, TheLanesSumIsTheOneDeviceRenderInEveryLayout) {
    TempDir dir;
    const std::string list = writeScene(dir, 0.3);
    struct Case {
        TExportLayout layout;
        int threads;
        std::optional<double> seconds; // none: to the end of the reverb tail
    };
    const Case cases[] = {
        {TExportLayout::Binaural, 2, 0.8}, {TExportLayout::Binaural, 5, std::nullopt},
        {TExportLayout::Stereo, 3, 0.8},   {TExportLayout::Surround51, 2, 0.8},
        {TExportLayout::Ambix1, 4, 0.8},   {TExportLayout::Binaural, 32, 0.5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ExportLayoutName(c.layout)) + ", " + std::to_string(c.threads) +
                     " lanes");
        const std::string one = dir.file("one.wav"), lanes = dir.file("lanes.wav");
        const TExportOutcome a = exportScene(list, one, c.layout, 1, false, c.seconds);
        const TExportOutcome b = exportScene(list, lanes, c.layout, c.threads, false, c.seconds);
        ASSERT_EQ(a.Result, TExportOutcome::Status::Done) << a.Error;
        ASSERT_EQ(b.Result, TExportOutcome::Status::Done) << b.Error;
        EXPECT_EQ(a.Channels, 5);
        EXPECT_EQ(b.Channels, 5);
        // Each lane's thread tells its CPU time; one device renders on the
        // exporting thread.
        EXPECT_TRUE(a.LaneCpuSeconds.empty());
        EXPECT_EQ(b.LaneCpuSeconds.size(), size_t(std::min(c.threads, 5)));
        for (const double cpu : b.LaneCpuSeconds)
            EXPECT_GT(cpu, 0.0);
        EXPECT_GT(a.MixCpuSeconds, 0.0);
        int width = 0, widthLanes = 0;
        const auto x = readFloats(one, width), y = readFloats(lanes, widthLanes);
        EXPECT_EQ(width, ExportLayoutChannels(c.layout));
        EXPECT_EQ(widthLanes, width);
        // Where the tail falls below -90 dBFS for good is decided sample by
        // sample: rounding may move it by up to the half second of quiet.
        const auto slack = static_cast<double>(c.seconds ? 0 : 44100 * width / 2 + 4096 * width);
        ASSERT_NEAR(double(x.size()), double(y.size()), slack);
        ASSERT_FALSE(x.empty());
        double worst = 0, power = 0;
        for (size_t i = 0; i < std::min(x.size(), y.size()); ++i) {
            worst = std::max(worst, std::fabs(double(x[i]) - y[i]));
            power += double(x[i]) * x[i];
        }
        // Once its files have ended, a device lets its reverbs ring out for
        // their decay time and then rests them: a lane whose files end sooner
        // cuts its ring-out (60 dB down) sooner than one device would.
        EXPECT_LT(20 * std::log10(std::max(worst, 1e-12)), c.seconds ? -90.0 : -80.0);
        EXPECT_GT(std::sqrt(power / double(x.size())), 0.01) << "not silence";
        EXPECT_NEAR(a.Summary.Lufs, b.Summary.Lufs, 0.01);
    }
}

TEST(ExportLanes, OneLimiterHoldsTheSumAtFullScale) {
    TempDir dir;
    const std::string list = writeScene(dir, 0.9, true);
    for (const int threads : {1, 3}) {
        SCOPED_TRACE(std::to_string(threads) + " lanes");
        const std::string out = dir.file("loud.wav");
        int width = 0;
        ASSERT_EQ(exportScene(list, out, TExportLayout::Stereo, threads, false, 0.5).Result,
                  TExportOutcome::Status::Done);
        auto samples = readFloats(out, width);
        const auto loudest = [&] {
            float p = 0;
            for (float v : samples)
                p = std::max(p, std::fabs(v));
            return p;
        };
        EXPECT_GT(loudest(), 1.2f) << "the scene passes full scale unlimited";
        ASSERT_EQ(exportScene(list, out, TExportLayout::Stereo, threads, true, 0.5).Result,
                  TExportOutcome::Status::Done);
        samples = readFloats(out, width);
        EXPECT_LE(loudest(), 1.0f);
        EXPECT_GT(loudest(), 0.5f);
    }
}

TEST(ExportLanes, CancelStopsTheLanesAheadOfTheMixAndKeepsTheOldFile) {
    TempDir dir;
    const std::string list = writeScene(dir, 0.3);
    const std::string out = dir.file("kept.wav");
    std::ofstream(out, std::ios::binary) << "the old take";
    TExportOptions o;
    o.Playlist = list;
    o.Output = out;
    o.Format = TExportFormat::Float;
    o.Layout = TExportLayout::Binaural;
    o.Loop = true;
    o.Seconds = 3600.0; // far longer than the test waits
    o.Force = true;
    o.Threads = 3;
    const auto names = [&] {
        std::set<std::string> n;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            n.insert(entry.path().filename().string());
        return n;
    };
    const std::set<std::string> before = names();
    std::atomic<bool> cancel{false};
    double seen = 0;
    const auto progress = [&](double rendered, double total) {
        EXPECT_DOUBLE_EQ(total, 3600.0);
        EXPECT_GE(rendered, seen) << "the mix goes forward only";
        seen = rendered;
        if (rendered > 0.5)
            cancel = true;
    };
    const TExportOutcome r = RenderExport(o, progress, cancel, "");
    EXPECT_EQ(r.Result, TExportOutcome::Status::Cancelled) << r.Error;
    EXPECT_GT(seen, 0.5);
    EXPECT_LT(seen, 3600.0);
    std::ifstream in(out, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "the old take");
    EXPECT_EQ(names(), before) << "nothing left behind";
}
