// The per-channel reverb and the room environment, heard as the tail a short
// click leaves behind it.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Effects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
        ToneSpec toneSpec;
        toneSpec.wave = Wave::Click; // 5 ms of DC, then silence
        toneSpec.seconds = 0.05;
        toneSpec.amplitude = 0.9;
        ASSERT_TRUE(writeTone(click, toneSpec));
    }

    HSTREAM clickSource() {
        HSTREAM h = BASS_StreamCreateFile(0, click.c_str(), 0, 0, 0xA);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_3DVECTOR front{0, 0, 1};
        BASS_ChannelSet3DPosition(h, &front, nullptr, nullptr);
        BASS_Apply3D();
        return h;
    }

    // Level of what follows the click, from 0.1 s to 0.5 s.
    double tail(HSTREAM h) {
        EXPECT_TRUE(BASS_ChannelPlay(h, 0));
        const auto out = render(0.5);
        EXPECT_GT(peak(out, 0.0, 0.01), 0.1) << "the click itself";
        return rms(out, 0, 0.1, 0.5) + rms(out, 1, 0.1, 0.5);
    }

    TempDir dir;
    std::string click = dir.file("click.wav");
    LoopbackDevice device;
};

TEST_F(Effects, ADryClickLeavesNoTail) {
    EXPECT_LT(tail(clickSource()), 1e-5);
}

TEST_F(Effects, TheReverbLeavesATailAndMinus96DbSilencesIt) {
    HSTREAM h = clickSource();
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
    ASSERT_NE(fx, 0u) << BASS_ErrorGetCode();
    BASS_REVERB_PARAMS params{0.f, 0.f, 1200.f, 0.1f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
    const double wet = tail(h);
    EXPECT_GT(wet, 1e-3);

    params.reverbMix = -96.f;
    ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
    render(1.0); // let the earlier tail die away
    EXPECT_LT(tail(h), wet / 100);
}

TEST_F(Effects, ALongerReverbTimeLeavesALongerTail) {
    HSTREAM shortRoom = clickSource();
    HFX fx = BASS_ChannelSetFX(shortRoom, BASS_FX_REVERB, 2);
    BASS_REVERB_PARAMS params{0.f, 0.f, 150.f, 0.5f};
    ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
    const double shortTail = tail(shortRoom);
    BASS_StreamFree(shortRoom);
    render(1.0);
    HSTREAM longRoom = clickSource();
    fx = BASS_ChannelSetFX(longRoom, BASS_FX_REVERB, 2);
    params.reverbTime = 3000.f;
    ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
    EXPECT_GT(tail(longRoom), 2 * shortTail);
}

TEST_F(Effects, BadEffectCallsFail) {
    HSTREAM h = clickSource();
    EXPECT_EQ(BASS_ChannelSetFX(h, 99, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_ChannelSetFX(0, BASS_FX_REVERB, 2), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
    ASSERT_NE(fx, 0u);
    EXPECT_FALSE(BASS_FXSetParameters(fx, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    BASS_REVERB_PARAMS params{};
    EXPECT_FALSE(BASS_FXSetParameters(h, &params)); // a channel is no effect
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    ASSERT_TRUE(BASS_StreamFree(h));
    EXPECT_FALSE(BASS_FXSetParameters(fx, &params)); // freed with its channel
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

TEST_F(Effects, EveryChannelOfAFullTableGetsItsReverb) {
    std::vector<HSTREAM> handles;
    for (int i = 0; i < 32; ++i) {
        HSTREAM h = clickSource();
        ASSERT_NE(BASS_ChannelSetFX(h, BASS_FX_REVERB, 2), 0u) << i << " " << BASS_ErrorGetCode();
        handles.push_back(h);
    }
    for (HSTREAM h : handles)
        EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(Effects, RunningOutOfEffectSlotsRefusesTheReverbNotTheChannel) {
    // Channels with the same reverb share a slot; each distinct one needs its own.
    std::vector<HSTREAM> handles;
    int refused = 0;
    for (int i = 0; i < 80; ++i) {
        HSTREAM h = clickSource();
        ASSERT_NE(h, 0u);
        handles.push_back(h);
        HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
        ASSERT_NE(fx, 0u) << i << " the default reverb shares its slot";
        const BASS_REVERB_PARAMS params{0.f, 0.f, 100.f + 10.f * float(i), 0.5f};
        if (!BASS_FXSetParameters(fx, &params)) {
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_MEMORY);
            ++refused;
            BASS_REVERB_PARAMS kept{};
            ASSERT_TRUE(BASS_FXGetParameters(fx, &kept));
            EXPECT_EQ(kept.reverbTime, params.reverbTime);
        }
    }
    // OpenAL Soft offers 64 effect slots by default; the room takes one.
    EXPECT_GT(refused, 0);
    EXPECT_TRUE(BASS_ChannelPlay(handles.back(), 0));
    EXPECT_GT(peak(render(0.02)), 0.1);
    // A freed slot serves the next distinct reverb.
    ASSERT_TRUE(BASS_StreamFree(handles.front()));
    handles.erase(handles.begin());
    HFX fx = BASS_ChannelSetFX(clickSource(), BASS_FX_REVERB, 2);
    const BASS_REVERB_PARAMS fresh{0.f, 0.f, 2999.f, 0.5f};
    EXPECT_TRUE(BASS_FXSetParameters(fx, &fresh)) << BASS_ErrorGetCode();
    for (HSTREAM h : handles)
        EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(Effects, TheRoomIsSilentUntilChosen) {
    DWORD env = 99;
    float vol = -1, decay = -1, damp = -1;
    ASSERT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp)) << BASS_ErrorGetCode();
    EXPECT_EQ(vol, 0.f);
    EXPECT_LT(env, DWORD(EAX_ENVIRONMENT_COUNT));
    EXPECT_GT(decay, 0.f);
    EXPECT_LT(tail(clickSource()), 1e-5);
}

TEST_F(Effects, ARoomAddsATailAndEaxMixZeroRemovesIt) {
    // The program's "Hangar": environment 10, volume 0.5, decay 10 s, damping 0.3.
    ASSERT_TRUE(BASS_SetEAXParameters(EAX_ENVIRONMENT_HANGAR, 0.5f, 10.f, 0.3f));
    DWORD env = 0;
    float vol = 0, decay = 0, damp = 0;
    ASSERT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp));
    EXPECT_EQ(env, DWORD(EAX_ENVIRONMENT_HANGAR));
    EXPECT_FLOAT_EQ(vol, 0.5f);
    EXPECT_FLOAT_EQ(decay, 10.f);
    EXPECT_FLOAT_EQ(damp, 0.3f);

    HSTREAM h = clickSource(); // a new channel's mix is automatic
    const double room = tail(h);
    EXPECT_GT(room, 1e-3);

    HSTREAM dry = clickSource();
    ASSERT_TRUE(BASS_ChannelSetEAXMix(dry, 0.f));
    BASS_StreamFree(h);
    render(12.0); // the hangar's tail dies away
    EXPECT_LT(tail(dry), room / 100);
}

TEST_F(Effects, MinusOneLeavesRoomValuesAsTheyAre) {
    ASSERT_TRUE(BASS_SetEAXParameters(EAX_ENVIRONMENT_ROOM, 0.417f, 0.4f, 0.666f));
    ASSERT_TRUE(BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f)); // the program's "Off"
    DWORD env = 0;
    float vol = 1, decay = 0, damp = 0;
    ASSERT_TRUE(BASS_GetEAXParameters(&env, &vol, &decay, &damp));
    EXPECT_EQ(env, DWORD(EAX_ENVIRONMENT_ROOM));
    EXPECT_EQ(vol, 0.f);
    EXPECT_FLOAT_EQ(decay, 0.4f);
    EXPECT_FLOAT_EQ(damp, 0.666f);
    EXPECT_FALSE(BASS_SetEAXParameters(26, 0.f, -1.f, -1.f));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(BASS_ChannelSetEAXMix(0, 0.f)); // the program sends it for empty slots too
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
}

} // namespace

namespace {

TEST_F(Effects, EveryRoomAndReverbSettingRenders) {
    // Some reverb settings trip an assertion inside OpenAL Soft 1.19; the
    // library must keep clear of them.
    HSTREAM h = clickSource();
    HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
    ASSERT_NE(fx, 0u);
    ASSERT_TRUE(BASS_ChannelSetFlags(h, 0xE));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    for (int env = 0; env < EAX_ENVIRONMENT_COUNT; ++env)
        for (float decay : {-1.f, 0.1f, 0.5f, 0.9f, 1.2f, 5.f, 20.f})
            for (float damp : {-1.f, 0.1f, 0.5f, 2.f}) {
                ASSERT_TRUE(BASS_SetEAXParameters(env, 1.f, decay, damp));
                render(0.01);
            }
    for (float time : {0.001f, 100.f, 150.f, 800.f, 1000.f, 1100.f, 1200.f, 3000.f})
        for (float ratio : {0.001f, 0.1f, 0.2f, 0.999f}) {
            BASS_REVERB_PARAMS params{0.f, 0.f, time, ratio};
            ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
            render(0.01);
        }
    EXPECT_GT(peak(render(0.05)), 0.0);
}

} // namespace
