// The export split over render lanes: each lane renders a share of the
// sources on a device of its own, and their sum is the one-device render; or
// each renders the whole scene for stretches of the time, after a warm-up as
// long as the scene's rooms ring.
#include "SoundFiles.h"
#include "export/ExportRenderer.h"
#include "export/TimeLanes.h"
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
                           int threads, bool limiter, std::optional<double> seconds,
                           bool loop = false) {
    TExportOptions o;
    o.Loop = loop;
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

// How far render y strays from render x: the largest difference in dBFS,
// x's RMS, and how many samples before sample `exact` differ at all.
struct TStray {
    double WorstDb = 0, Rms = 0;
    size_t DifferingBefore = 0;
};
TStray Stray(const std::vector<float>& x, const std::vector<float>& y, size_t exact = 0) {
    double worst = 0, power = 0;
    TStray s;
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        worst = std::max(worst, std::fabs(double(x[i]) - y[i]));
        power += double(x[i]) * x[i];
        s.DifferingBefore += i < exact && x[i] != y[i];
    }
    s.WorstDb = 20 * std::log10(std::max(worst, 1e-12));
    s.Rms = n ? std::sqrt(power / double(n)) : 0;
    return s;
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
        const TStray stray = Stray(x, y);
        // Once its files have ended, a device lets its reverbs ring out for
        // their decay time and then rests them: a lane whose files end sooner
        // cuts its ring-out (60 dB down) sooner than one device would.
        EXPECT_LT(stray.WorstDb, c.seconds ? -90.0 : -80.0);
        EXPECT_GT(stray.Rms, 0.01) << "not silence";
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

TEST(TimeLanes, TheWarmUpFollowsTheLongestDecayAndTheStretchesCoverTheExport) {
    struct Case {
        TRinging scene;
        double seconds;
    };
    const Case cases[] = {
        {{8, 0, 1.2}, 2 * 3.961 + 0.1},    // "Concert Hall", no channel reverb
        {{0, 0, 1.2}, 0.1},                // "Off": only the filters' histories
        {{0, 12, 1.2}, 2 * 1.2 + 0.1},     // the channel reverb alone
        {{25, 12, 1.2}, 2 * 17.234 + 0.1}, // "Dizzy"
        {{2, 20, 1.2}, 2 * 1.2 + 0.1},     // a channel reverb longer than "Padded Cell"
        {{0, 5, 30.0}, 2 * 20.0 + 0.1},    // the library holds no decay past 20 s
    };
    for (const Case& c : cases)
        EXPECT_NEAR(WarmUpSeconds(c.scene), c.seconds, 1e-5) << c.scene.Environment;

    // An hour over 3 lanes, a warm-up of 8 s, stretches of at most 90 s.
    const size_t rate = 44100, grid = 1024, warm = 8 * rate / grid * grid, longest = 90 * rate;
    const size_t frames = 3600 * rate;
    const std::vector<TStretch> plan = PlanStretches(frames, 3, warm, grid, longest);
    ASSERT_GT(plan.size(), 40u);
    EXPECT_EQ(plan.size() % 3, 0u) << "every lane takes as many";
    size_t at = 0;
    for (size_t k = 0; k < plan.size(); ++k) {
        EXPECT_EQ(plan[k].From, at);
        EXPECT_EQ(plan[k].Warm, k == 0 ? 0 : at - warm);
        EXPECT_EQ(plan[k].Lane, k % 3);
        EXPECT_LE(plan[k].To - plan[k].From, longest + grid);
        EXPECT_GT(plan[k].To - plan[k].From, longest * 3 / 4);
        EXPECT_TRUE(k + 1 == plan.size() || plan[k].To % grid == 0);
        at = plan[k].To;
    }
    EXPECT_EQ(at, frames);
    // A warm-up of a fifth of the export or of a stretch is not worth it.
    EXPECT_TRUE(PlanStretches(4 * warm, 2, warm, grid, longest).empty());
    EXPECT_TRUE(PlanStretches(frames, 2, warm, grid, 4 * warm).empty());
    EXPECT_EQ(PlanStretches(5 * warm, 2, warm, grid, longest).size(), 2u);
}

TEST(TimeLanes, TwoLanesOverTimeRenderWhatOneLaneRenders) {
    TempDir dir;
    std::vector<TPlaylistChannel> channels;
    for (int i = 0; i < 4; ++i) {
        TPlaylistChannel c;
        c.FileName = dir.file("s" + std::to_string(i) + ".wav");
        ToneSpec spec;
        spec.channels = i % 2 + 1;
        spec.seconds = 0.7 + 0.37 * i;
        spec.frequency = 180.0 * (i + 1);
        spec.wave = i == 3 ? Wave::Noise : Wave::Sine;
        spec.amplitude = 0.3;
        ASSERT_TRUE(writeTone(c.FileName, spec));
        c.X = -1.f + 0.6f * static_cast<float>(i);
        c.Z = 1.f;
        channels.push_back(c);
    }
    // The reverb (1.2 s) in "Room" (0.4 s): a warm-up of 2.5 s. A mono file
    // circles; then a stereo one.
    const TMotionPath circle{TMotionMode::Loop, {{0, 0, 0, 1}, {1.3, 1, 0, 0}, {2.6, 0, 0, 1}}};
    const std::string list = dir.file("scene.pna"), stereo = dir.file("stereo.pna");
    channels[2].Motion = circle;
    std::ofstream(list, std::ios::binary) << FormatPlaylist(8, 3, channels);
    channels[2].Motion.reset();
    channels[1].Motion = circle;
    std::ofstream(stereo, std::ios::binary) << FormatPlaylist(8, 3, channels);
    const auto render = [&](const std::string& scene, int threads, bool loop, double seconds,
                            const std::string& out) {
        const TExportOutcome r = exportScene(scene, dir.file(out), TExportLayout::Binaural, threads,
                                             false, seconds, loop);
        EXPECT_EQ(r.Result, TExportOutcome::Status::Done) << r.Error;
        int width = 0;
        return std::make_pair(r.TimeSeams, readFloats(dir.file(out), width));
    };
    struct Case {
        std::string scene;
        bool loop;
        double seconds;
        size_t seams; // stretches of at most 90 s: two for each lane in 180 s
    };
    // Played once, the files cannot be joined in mid-play; in 10 s the
    // warm-up would take more than a fifth; a stereo file's balance on a
    // path follows the stream's decoding.
    const Case cases[] = {
        {list, true, 180, 3}, {list, false, 14, 0}, {list, true, 10, 0}, {stereo, true, 14, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scene + ", " + std::to_string(c.seconds) +
                     (c.loop ? " s looping" : " s once"));
        const auto [noSeams, one] = render(c.scene, 1, c.loop, c.seconds, "one.wav");
        const auto [seams, two] = render(c.scene, 2, c.loop, c.seconds, "two.wav");
        EXPECT_TRUE(noSeams.empty());
        ASSERT_EQ(seams.size(), c.seams);
        ASSERT_EQ(two.size(), one.size());
        ASSERT_EQ(one.size(), static_cast<size_t>(c.seconds * 44100) * 2);
        const size_t seam =
            seams.empty() ? 0 : static_cast<size_t>(std::llround(seams[0] * 44100)) * 2;
        // The lanes' work evened out (the first stretch needs no warm-up),
        // each edge on the 10 ms grid of a moving scene.
        const double first = (c.seconds + 3 * 2.5) / 4;
        for (size_t k = 0; k < seams.size(); ++k)
            EXPECT_NEAR(seams[k], double(k + 1) * first - double(k) * 2.5, 0.01 * double(k + 1));
        const TStray stray = Stray(one, two, seam);
        EXPECT_EQ(stray.DifferingBefore, 0u)
            << "before the seam, the first lane is the one-lane render";
        EXPECT_LT(stray.WorstDb, -90.0);
        EXPECT_GT(stray.Rms, 0.01) << "not silence";
    }
}
