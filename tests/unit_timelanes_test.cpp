// The export split over time: each lane renders the whole scene for a
// stretch, after a warm-up as long as the scene's rooms ring.
#include "SoundFiles.h"
#include "export/ExportRenderer.h"
#include "export/TimeLanes.h"
#include "motion/MotionPath.h"
#include "playlist/PlaylistFormat.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

using namespace testsupport;

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

namespace {

std::vector<float> readFloats(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> s(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    return s;
}

} // namespace

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
        TExportOptions o;
        o.Playlist = scene;
        o.Output = dir.file(out);
        o.Format = TExportFormat::Float;
        o.Layout = TExportLayout::Binaural;
        o.Loop = loop;
        o.Seconds = seconds;
        o.Force = true;
        o.Threads = threads;
        o.Limiter = false;
        const std::atomic<bool> cancel{false};
        const TExportOutcome r = RenderExport(o, {}, cancel, "");
        EXPECT_EQ(r.Result, TExportOutcome::Status::Done) << r.Error;
        return std::make_pair(r.TimeSeams, readFloats(o.Output));
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
        double worst = 0, power = 0;
        size_t differing = 0;
        for (size_t i = 0; i < one.size(); ++i) {
            worst = std::max(worst, std::fabs(double(one[i]) - two[i]));
            power += double(one[i]) * one[i];
            differing += i < seam && one[i] != two[i];
        }
        EXPECT_EQ(differing, 0u) << "before the seam, the first lane is the one-lane render";
        EXPECT_LT(20 * std::log10(std::max(worst, 1e-12)), -90.0);
        EXPECT_GT(std::sqrt(power / double(one.size())), 0.01) << "not silence";
    }
}
