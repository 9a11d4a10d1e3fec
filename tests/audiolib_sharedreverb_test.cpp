// What the channel reverbs cost: channels with the same reverb share one
// effect slot, silence keeps nothing running, and an idle library does no work.
// Heard through the loopback device; the OpenAL objects are counted through
// the library's test hook.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"
#include "internal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

using namespace testsupport;

namespace {

AUDIOLIB_TestCounts counts() {
    AUDIOLIB_TestCounts c{};
    EXPECT_TRUE(AUDIOLIB_TestGetCounts(&c));
    return c;
}

int processing() {
    return counts().processingSlots;
}

// The program's reverb block at a track-bar position: mix 48 log10(p / 20),
// -96 at 0; 1200 ms, ratio 0.1.
BASS_REVERB_PARAMS programReverb(int position) {
    const float mix = position == 0 ? -96.f : static_cast<float>(48 * std::log10(position / 20.0));
    return {0.f, mix, 1200.f, 0.1f};
}

class SharedReverb : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode(); }

    std::string file(const std::string& name, const ToneSpec& tone) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeTone(path, tone));
        return path;
    }

    std::string click() {
        ToneSpec tone;
        tone.wave = Wave::Click;
        tone.seconds = 0.05;
        tone.amplitude = 0.9;
        return file("click.wav", tone);
    }

    // A mono 3D channel at pos with a reverb of the given parameters.
    HSTREAM source(const std::string& path, BASS_3DVECTOR pos, const BASS_REVERB_PARAMS& reverb,
                   HFX* fx = nullptr) {
        const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xA);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        const HFX f = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
        EXPECT_NE(f, 0u) << BASS_ErrorGetCode();
        EXPECT_TRUE(BASS_FXSetParameters(f, &reverb));
        BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
        BASS_Apply3D();
        if (fx)
            *fx = f;
        return h;
    }

    // Plays h from its start; the level from 0.1 s to 0.6 s, after the click.
    double tail(HSTREAM h) {
        EXPECT_TRUE(BASS_ChannelPlay(h, 1));
        const auto out = render(0.6);
        EXPECT_GT(peak(out, 0.0, 0.01), 0.05) << "the click itself";
        BASS_ChannelStop(h);
        render(3.5); // what rings on dies away before the next measure
        return rms(out, 0, 0.1, 0.6) + rms(out, 1, 0.1, 0.6);
    }

    // 32 tones around the listener, each with the program's reverb at full level,
    // and the room; rendered until the reverb rings alone.
    std::vector<float> renderScene(const std::vector<std::string>& files) {
        BASS_SetEAXParameters(EAX_ENVIRONMENT_ROOM, 0.417f, 0.4f, 0.666f);
        std::vector<HSTREAM> handles;
        for (size_t i = 0; i < files.size(); ++i) {
            const double a = 2 * M_PI * double(i) / double(files.size());
            const BASS_3DVECTOR pos{static_cast<float>(2 * std::cos(a)), 0.f,
                                    static_cast<float>(2 * std::sin(a))};
            handles.push_back(source(files[i], pos, programReverb(20)));
        }
        for (HSTREAM h : handles)
            EXPECT_TRUE(BASS_ChannelPlay(h, 0));
        auto out = render(0.5);
        for (HSTREAM h : handles)
            EXPECT_TRUE(BASS_StreamFree(h));
        return out;
    }

    TempDir dir;
    LoopbackDevice device;
};

TEST_F(SharedReverb, OneSharedSlotSoundsAsOneSlotPerChannel) {
    std::vector<std::string> files;
    for (int i = 0; i < 32; ++i) {
        ToneSpec tone;
        tone.seconds = 0.15;
        tone.frequency = 200.0 + 37.0 * i;
        tone.amplitude = 0.1;
        files.push_back(file("tone" + std::to_string(i) + ".wav", tone));
    }
    AUDIOLIB_TestSlotPerChannel(1);
    const auto separate = renderScene(files);
    BASS_Free();
    ASSERT_TRUE(AUDIOLIB_InitLoopback(kRenderRate, 0));
    const auto shared = renderScene(files);

    ASSERT_EQ(separate.size(), shared.size());
    // Over the whole, and over the tail after the tones, where the reverb
    // rings alone.
    const size_t tailFrom = static_cast<size_t>(0.2 * kRenderRate) * 2;
    double signal = 0, difference = 0, wet = 0, wetDifference = 0;
    for (size_t i = 0; i < shared.size(); ++i) {
        const double s = separate[i], d = double(shared[i]) - s;
        signal += s * s;
        difference += d * d;
        if (i >= tailFrom) {
            wet += s * s;
            wetDifference += d * d;
        }
    }
    ASSERT_GT(std::sqrt(wet / double(shared.size() - tailFrom)), 1e-3) << "a tail to compare";
    EXPECT_LT(std::sqrt(difference), 0.01 * std::sqrt(signal));
    EXPECT_LT(std::sqrt(wetDifference), 0.01 * std::sqrt(wet));
}

TEST_F(SharedReverb, ChannelsMoveBetweenSlotsAsTheirReverbsDiffer) {
    const std::string path = click();
    const BASS_REVERB_PARAMS small{0.f, -96.f, 500.f, 0.5f};
    HFX fxA = 0, fxB = 0;
    const HSTREAM a = source(path, {0, 0, 1}, small, &fxA);
    const HSTREAM b = source(path, {0, 0, 1}, small, &fxB);
    EXPECT_EQ(processing(), 0) << "-96 dB feeds nothing";
    EXPECT_LT(tail(a), 1e-5);

    // From -96 dB to 0 dB: a slot appears and the click reverberates.
    BASS_REVERB_PARAMS loud = small;
    loud.reverbMix = 0.f;
    ASSERT_TRUE(BASS_FXSetParameters(fxA, &loud));
    ASSERT_TRUE(BASS_FXSetParameters(fxB, &loud));
    EXPECT_EQ(processing(), 1) << "the same reverb: one slot";
    const double shortTail = tail(a);
    EXPECT_GT(shortTail, 1e-4);

    // b alone takes a longer reverb: a second slot; a keeps what it had.
    BASS_REVERB_PARAMS longer = loud;
    longer.reverbTime = 3000.f;
    ASSERT_TRUE(BASS_FXSetParameters(fxB, &longer));
    EXPECT_EQ(processing(), 2);
    EXPECT_NEAR(tail(a), shortTail, shortTail * 0.05);
    EXPECT_GT(tail(b), 2 * shortTail);
    BASS_REVERB_PARAMS got{};
    ASSERT_TRUE(BASS_FXGetParameters(fxB, &got));
    EXPECT_EQ(got.reverbTime, 3000.f);
    EXPECT_EQ(got.reverbMix, 0.f);

    // Alike again: one slot, and b sounds as a does.
    ASSERT_TRUE(BASS_FXSetParameters(fxB, &loud));
    EXPECT_EQ(processing(), 1);
    EXPECT_NEAR(tail(b), shortTail, shortTail * 0.05);

    // The slot goes with its last user.
    ASSERT_TRUE(BASS_StreamFree(a));
    EXPECT_EQ(processing(), 1);
    ASSERT_TRUE(BASS_StreamFree(b));
    EXPECT_EQ(processing(), 0);
    EXPECT_FALSE(BASS_FXGetParameters(fxB, &got));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(SharedReverb, AThousandLoadsAndFreesLeaveNothingBehind) {
    const std::string path = click();
    const auto before = counts();
    for (int i = 0; i < 1000; ++i) {
        // Two shapes in turn, some silent, some played: every path in and out.
        BASS_REVERB_PARAMS params{0.f, i % 3 == 0 ? -96.f : -10.f, i % 2 ? 1200.f : 500.f, 0.1f};
        const HSTREAM h = source(path, {1, 0, 1}, params);
        ASSERT_NE(h, 0u);
        if (i % 4 == 0) {
            ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        }
        if (i % 10 == 0)
            render(0.01);
        ASSERT_TRUE(BASS_StreamFree(h));
    }
    const auto after = counts();
    EXPECT_EQ(after.sources, before.sources);
    EXPECT_EQ(after.buffers, before.buffers);
    EXPECT_EQ(after.effects, before.effects);
    EXPECT_EQ(after.filters, before.filters);
    EXPECT_EQ(after.slots, before.slots);
    EXPECT_EQ(after.processingSlots, 0);
}

TEST_F(SharedReverb, AnIdleTableRunsNoEffectUntilSomethingCanBeHeard) {
    const std::string path = click();
    std::vector<HSTREAM> handles;
    std::vector<HFX> fx;
    for (int i = 0; i < 32; ++i) {
        HFX f = 0;
        handles.push_back(source(path, {0.1f * i, 0, 1}, programReverb(0), &f));
        fx.push_back(f);
    }
    // "Off": room volume 0, every channel's room send 0.
    ASSERT_TRUE(BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f));
    for (HSTREAM h : handles)
        ASSERT_TRUE(BASS_ChannelSetEAXMix(h, 0.f));
    EXPECT_EQ(processing(), 0);

    // The reverb bar moved to 1: one slot for all 32.
    const auto one = programReverb(1);
    for (HFX f : fx)
        ASSERT_TRUE(BASS_FXSetParameters(f, &one));
    EXPECT_EQ(processing(), 1);
    EXPECT_EQ(counts().slots, 2) << "the shared reverb's and the room's";

    // A room chosen runs the room; "Off" and the bar at 0 again stop both.
    ASSERT_TRUE(BASS_SetEAXParameters(EAX_ENVIRONMENT_HANGAR, 0.5f, 10.f, 0.3f));
    EXPECT_EQ(processing(), 2);
    ASSERT_TRUE(BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f));
    const auto zero = programReverb(0);
    for (HFX f : fx)
        ASSERT_TRUE(BASS_FXSetParameters(f, &zero));
    EXPECT_EQ(processing(), 0);
    for (HSTREAM h : handles)
        ASSERT_TRUE(BASS_StreamFree(h));
}

TEST_F(SharedReverb, PausedChannelsLetTheEffectsRingOutRestAndResumeAsTheyWere) {
    ASSERT_TRUE(BASS_SetEAXParameters(EAX_ENVIRONMENT_ROOM, 0.5f, 0.4f, 0.666f));
    const HSTREAM clicker = source(click(), {0, 0, 1}, programReverb(20));
    EXPECT_EQ(counts().workingSlots, 0) << "nothing has played yet";
    const double before = tail(clicker); // rings out and rests in the 3.5 s after
    EXPECT_GT(before, 1e-4);
    EXPECT_EQ(processing(), 2);
    EXPECT_EQ(counts().workingSlots, 0) << "nothing plays: neither reverb nor room works";

    const HSTREAM tone = source(file("tone.wav", {.seconds = 0.25}), {1, 0, 1}, programReverb(10));
    ASSERT_TRUE(BASS_ChannelSetFlags(tone, BASS_SAMPLE_LOOP));
    ASSERT_TRUE(BASS_ChannelPlay(tone, 0));
    EXPECT_EQ(counts().workingSlots, 2) << "the reverb both share and the room";
    const auto playing = render(0.5);
    ASSERT_TRUE(BASS_ChannelPause(tone));
    EXPECT_EQ(counts().workingSlots, 2) << "what they hold rings out first";
    const auto paused = render(2.5);
    EXPECT_GT(rms(paused, 0, 0.05, 0.3), 1e-3) << "the reverb rings on after the pause";
    EXPECT_LT(peak(paused, 2.2), 1e-6);
    EXPECT_EQ(counts().workingSlots, 0);

    // Resumed: the tone and its reverb as before the pause.
    ASSERT_TRUE(BASS_ChannelPlay(tone, 0));
    EXPECT_EQ(counts().workingSlots, 2);
    const auto resumed = render(0.5);
    for (int side = 0; side < 2; ++side)
        EXPECT_NEAR(rms(resumed, side, 0.3, 0.5) / rms(playing, side, 0.3, 0.5), 1.0, 0.05);

    // A room send of 0 on the one playing channel rests the room alone.
    ASSERT_TRUE(BASS_ChannelSetEAXMix(tone, 0.f));
    render(1.5);
    EXPECT_EQ(counts().workingSlots, 1);
    ASSERT_TRUE(BASS_ChannelStop(tone));
    render(2.5);
    EXPECT_EQ(counts().workingSlots, 0);
    EXPECT_NEAR(tail(clicker) / before, 1.0, 0.05) << "the reverb after a rest as before it";
}

TEST(LibraryThread, SleepsWhileNothingPlaysAndWakesToPlay) {
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    TempDir dir;
    ToneSpec tone;
    tone.seconds = 0.05;
    const std::string path = dir.file("tone.ogg");
    ASSERT_TRUE(writeTone(path, tone));
    std::vector<HSTREAM> handles;
    for (int i = 0; i < 32; ++i)
        handles.push_back(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE));
    const long idleFrom = counts().threadLooks;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(counts().threadLooks, idleFrom) << "woke with nothing to do";

    // Looping a 50 ms file for 0.3 s takes feeding: the thread wakes for it.
    ASSERT_TRUE(BASS_ChannelPlay(handles[0], 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(BASS_ChannelIsActive(handles[0]), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_GT(counts().threadLooks, idleFrom);
    ASSERT_TRUE(BASS_ChannelStop(handles[0]));
    for (HSTREAM h : handles)
        EXPECT_TRUE(BASS_StreamFree(h));
    BASS_Free();
}

} // namespace
