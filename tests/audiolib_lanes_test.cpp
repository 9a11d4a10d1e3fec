// Render lanes: further instances of the library, each bound to the threads
// that use it, rendering at the same time on loopback devices of their own.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <thread>

using namespace testsupport;

namespace {

struct LaneRender {
    std::vector<float> out;
    DWORD handle = 0;
    int laneError = 0; // the other lane's handle, asked on this lane
};

// On its own thread: binds lane, opens a stereo loopback device (limiting as
// asked), plays sources copies of file at x, renders 0.2 s.
void renderOnLane(AUDIOLIB_LANE* lane, const std::string& file, float x, int sources, bool limiter,
                  LaneRender& r) {
    ASSERT_TRUE(AUDIOLIB_LaneBind(lane));
    ASSERT_TRUE(AUDIOLIB_InitLoopbackFlags(kRenderRate, AUDIOLIB_HRTF_OFF, -1, 2,
                                           limiter ? 0 : AUDIOLIB_LOOPBACK_NOLIMITER))
        << BASS_ErrorGetCode();
    for (int i = 0; i < sources; ++i) {
        const HSTREAM h = BASS_StreamCreateFile(
            0, file.c_str(), 0, 0, BASS_SAMPLE_MONO | BASS_SAMPLE_3D | BASS_SAMPLE_LOOP);
        ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
        const BASS_3DVECTOR pos{x, 0, 0};
        ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr));
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        r.handle = h;
    }
    BASS_Apply3D();
    r.out = render(0.2);
    ASSERT_TRUE(BASS_Free());
    ASSERT_TRUE(AUDIOLIB_LaneBind(nullptr));
}

} // namespace

TEST(Lanes, EachRendersItsOwnSourcesAtTheSameTimeAndLimitsOnlyWhenAsked) {
    TempDir dir;
    const std::string tone = dir.file("tone.wav");
    ToneSpec spec;
    spec.seconds = 0.3;
    spec.amplitude = 0.9;
    ASSERT_TRUE(writeTone(tone, spec));
    AUDIOLIB_LANE* left = AUDIOLIB_LaneCreate();
    AUDIOLIB_LANE* right = AUDIOLIB_LaneCreate();
    ASSERT_TRUE(left && right) << BASS_ErrorGetCode();

    // Four loud sources at the right on a lane that does not limit: past full
    // scale; one quiet source at the left on a lane that does.
    LaneRender l, r;
    std::thread a([&] { renderOnLane(left, tone, -2.f, 1, true, l); });
    std::thread b([&] { renderOnLane(right, tone, 2.f, 4, false, r); });
    a.join();
    b.join();
    ASSERT_FALSE(l.out.empty());
    ASSERT_FALSE(r.out.empty());
    EXPECT_GT(rms(l.out, 0, 0.05), 2 * rms(l.out, 1, 0.05)) << "left lane: its source alone";
    EXPECT_GT(rms(r.out, 1, 0.05), 2 * rms(r.out, 0, 0.05)) << "right lane: its sources alone";
    EXPECT_GT(peak(r.out, 0.05), 1.0) << "no limiter on the right lane";
    EXPECT_LE(peak(l.out, 0.05), 1.001);

    // The library's own instance saw none of it: no device is open there.
    float frame[2];
    EXPECT_FALSE(AUDIOLIB_Render(frame, 1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    AUDIOLIB_LaneFree(left);
    AUDIOLIB_LaneFree(right);
    AUDIOLIB_LaneFree(nullptr); // nothing to free

    // Four loud sources on a limiting device stay within full scale.
    LaneRender limited;
    AUDIOLIB_LANE* lane = AUDIOLIB_LaneCreate();
    std::thread c([&] { renderOnLane(lane, tone, 2.f, 4, true, limited); });
    c.join();
    EXPECT_LE(peak(limited.out, 0.05), 1.001); // OpenAL's limiter lets a hair through
    EXPECT_GT(peak(limited.out, 0.05), 0.5);
    AUDIOLIB_LaneFree(lane);
}
