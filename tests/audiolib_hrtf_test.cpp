// Headphone 3D: switching HRTF on the open device, what it does to the sound,
// and the status read back, on the loopback and the null output device.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using namespace testsupport;

namespace {

AUDIOLIB_HRTF_INFO hrtfInfo() {
    AUDIOLIB_HRTF_INFO info{};
    EXPECT_TRUE(AUDIOLIB_GetHRTFInfo(&info)) << BASS_ErrorGetCode();
    return info;
}

// Power of both output channels at one frequency (Goertzel), over frames a..b.
double powerAt(const std::vector<float>& stereo, double hz, size_t a, size_t b) {
    const double k = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRenderRate);
    double total = 0.0;
    for (int c = 0; c < 2; ++c) {
        double s1 = 0.0, s2 = 0.0;
        for (size_t i = a; i < b; ++i) {
            const double s0 = stereo[i * 2 + static_cast<size_t>(c)] + k * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        total += s1 * s1 + s2 * s2 - k * s1 * s2;
    }
    return total;
}

// Energy above 4 kHz against energy below 1 kHz, in dB: what the outer ear
// changes most between a source in front and one behind.
double highToLowDb(const std::vector<float>& stereo) {
    const size_t a = kRenderRate / 20, b = a + 8192; // past the filters' start
    double high = 0.0, low = 0.0;
    for (double hz = 4000.0; hz <= 16000.0; hz += 250.0)
        high += powerAt(stereo, hz, a, b);
    for (double hz = 100.0; hz <= 1000.0; hz += 18.75)
        low += powerAt(stereo, hz, a, b);
    return 10.0 * std::log10(high / low);
}

class Hrtf : public ::testing::Test {
protected:
    // A looping mono file opened as the program opens a stream.
    HSTREAM source(const ToneSpec& toneSpec, const std::string& name) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeTone(path, toneSpec));
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        return h;
    }

    // The spectral tilt of h played from the start at z metres ahead.
    double tiltAt(HSTREAM h, float z) {
        const BASS_3DVECTOR pos{0.f, 0.f, z};
        EXPECT_TRUE(BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr));
        BASS_Apply3D();
        EXPECT_TRUE(BASS_ChannelSetPosition(h, 0));
        EXPECT_TRUE(BASS_ChannelPlay(h, 0));
        const auto out = render(0.25);
        EXPECT_TRUE(BASS_ChannelStop(h));
        render(0.05); // the filters settle to silence
        return highToLowDb(out);
    }

    TempDir dir;
};

TEST_F(Hrtf, FrontAndBehindDifferOnlyWithHrtf) {
    LoopbackDevice device(AUDIOLIB_HRTF_OFF);
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    ToneSpec noise;
    noise.wave = Wave::Noise;
    noise.seconds = 0.5;
    const HSTREAM h = source(noise, "noise.wav");

    const double offFront = tiltAt(h, 1.f);
    const double offBehind = tiltAt(h, -1.f);
    EXPECT_NEAR(offFront, offBehind, 0.1) << "panning alone cannot tell front from back";

    ASSERT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, -1)) << BASS_ErrorGetCode();
    ASSERT_TRUE(hrtfInfo().active);
    render(0.05); // the fade around the switch
    const double onFront = tiltAt(h, 1.f);
    const double onBehind = tiltAt(h, -1.f);
    RecordProperty("tiltDifferenceDb", std::to_string(onFront - onBehind));
    EXPECT_GT(std::fabs(onFront - onBehind), 2.0)
        << onFront << " dB ahead, " << onBehind << " dB behind";

    // Back off: the same device pans again.
    ASSERT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_OFF, -1));
    render(0.05);
    const double againFront = tiltAt(h, 1.f);
    EXPECT_NEAR(againFront, tiltAt(h, -1.f), 0.1);
    EXPECT_NEAR(againFront, offFront, 0.1);
}

TEST_F(Hrtf, SwitchingKeepsEveryChannelPlayingInPlaceWithItsEffect) {
    LoopbackDevice device(AUDIOLIB_HRTF_AUTO);
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    // Four tones, all to the listener's right, each with its own reverb.
    const BASS_3DVECTOR places[4] = {
        {1.f, 0.f, 1.f}, {2.f, 0.f, 0.5f}, {0.5f, 1.f, 1.f}, {1.f, -1.f, -2.f}};
    std::vector<HSTREAM> channels;
    std::vector<HFX> effects;
    for (int i = 0; i < 4; ++i) {
        ToneSpec tone;
        tone.frequency = 220.0 * (i + 1);
        tone.amplitude = 0.2;
        const HSTREAM h = source(tone, "tone" + std::to_string(i) + ".wav");
        ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &places[i], nullptr, nullptr));
        const HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
        ASSERT_NE(fx, 0u) << BASS_ErrorGetCode();
        const BASS_REVERB_PARAMS params{0.f, 0.f, 1200.f, 0.1f};
        ASSERT_TRUE(BASS_FXSetParameters(fx, &params));
        channels.push_back(h);
        effects.push_back(fx);
    }
    // A channel gone with its own reverb leaves a freed effect slot behind,
    // which OpenAL Soft 1.19 cannot reset over unless the library fills it.
    {
        const HSTREAM gone = source(ToneSpec{}, "gone.wav");
        const BASS_REVERB_PARAMS params{0.f, -6.f, 300.f, 0.5f};
        ASSERT_TRUE(BASS_FXSetParameters(BASS_ChannelSetFX(gone, BASS_FX_REVERB, 2), &params));
        ASSERT_TRUE(BASS_StreamFree(gone));
    }
    BASS_Apply3D();
    for (HSTREAM h : channels)
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));

    std::vector<float> out = render(0.1);
    for (DWORD mode : {AUDIOLIB_HRTF_ON, AUDIOLIB_HRTF_OFF, AUDIOLIB_HRTF_AUTO, AUDIOLIB_HRTF_ON}) {
        ASSERT_TRUE(AUDIOLIB_SetHRTF(mode, -1)) << BASS_ErrorGetCode();
        const auto part = render(0.1);
        EXPECT_GT(rms(part, 1), 1.25 * rms(part, 0)) << "mode " << mode << ": still on the right";
        out.insert(out.end(), part.begin(), part.end());
        for (size_t i = 0; i < channels.size(); ++i) {
            EXPECT_EQ(BASS_ChannelIsActive(channels[i]), DWORD(BASS_ACTIVE_PLAYING));
            BASS_3DVECTOR pos{};
            ASSERT_TRUE(BASS_ChannelGet3DPosition(channels[i], &pos, nullptr, nullptr));
            EXPECT_EQ(pos.x, places[i].x);
            EXPECT_EQ(pos.z, places[i].z);
        }
    }
    EXPECT_LT(longestQuietRun(out, 0.0, 1e9), 256u) << "silence across a switch";
    // No click: right after a switch the signal moves no faster than the
    // steady mix of the same tones does between switches.
    const size_t part = out.size() / 2 / 5, near = 600;
    double steady = 0.0, atSwitch = 0.0;
    for (size_t i = near; i < out.size() / 2; ++i) {
        const double step = std::max(std::fabs(out[i * 2] - out[i * 2 - 2]),
                                     std::fabs(out[i * 2 + 1] - out[i * 2 - 1]));
        double& worst = i % part < near ? atSwitch : steady;
        worst = std::max(worst, step);
    }
    EXPECT_LT(atSwitch, 1.5 * steady);

    // The effects came through: stopped channels leave their reverb tails.
    for (HSTREAM h : channels)
        ASSERT_TRUE(BASS_ChannelStop(h));
    const auto tail = render(0.3);
    EXPECT_GT(rms(tail, 0, 0.1, 0.3) + rms(tail, 1, 0.1, 0.3), 1e-3);
    for (HFX fx : effects) {
        const BASS_REVERB_PARAMS params{0.f, -96.f, 1200.f, 0.1f};
        EXPECT_TRUE(BASS_FXSetParameters(fx, &params));
    }
}

TEST_F(Hrtf, StatusReadsBackOnTheLoopbackDevice) {
    {
        LoopbackDevice device(AUDIOLIB_HRTF_ON);
        ASSERT_TRUE(device.ok());
        auto info = hrtfInfo();
        EXPECT_EQ(info.mode, DWORD(AUDIOLIB_HRTF_ON));
        EXPECT_TRUE(info.active);
        EXPECT_EQ(info.status, DWORD(AUDIOLIB_HRTF_ENABLED));
        ASSERT_GE(info.count, 1u) << "OpenAL Soft builds in a data set";
        ASSERT_GE(info.inUse, 0);
        EXPECT_NE(AUDIOLIB_GetHRTFName(static_cast<DWORD>(info.inUse)), nullptr);
        EXPECT_EQ(AUDIOLIB_GetHRTFName(info.count), nullptr);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

        ASSERT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_AUTO, -1));
        info = hrtfInfo();
        EXPECT_EQ(info.mode, DWORD(AUDIOLIB_HRTF_AUTO));
        EXPECT_FALSE(info.active) << "a loopback device reports no headphones";
        EXPECT_EQ(info.status, DWORD(AUDIOLIB_HRTF_DISABLED));
        EXPECT_EQ(info.inUse, -1);

        EXPECT_FALSE(AUDIOLIB_SetHRTF(3, -1));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
        EXPECT_FALSE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, static_cast<int>(info.count)));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
        EXPECT_FALSE(AUDIOLIB_GetHRTFInfo(nullptr));
        EXPECT_EQ(hrtfInfo().mode, DWORD(AUDIOLIB_HRTF_AUTO)) << "a refused call changes nothing";
    }
    // HRTF needs 44100 or 48000 Hz: the device opens and says why it is off.
    {
        ASSERT_TRUE(AUDIOLIB_InitLoopback(22050, AUDIOLIB_HRTF_ON));
        const auto info = hrtfInfo();
        EXPECT_FALSE(info.active);
        EXPECT_EQ(info.status, DWORD(AUDIOLIB_HRTF_UNSUPPORTED_FORMAT));
        float out[64];
        EXPECT_TRUE(AUDIOLIB_Render(out, 32));
        BASS_Free();
    }
    EXPECT_FALSE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, -1));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    AUDIOLIB_HRTF_INFO info{};
    EXPECT_FALSE(AUDIOLIB_GetHRTFInfo(&info));
    EXPECT_EQ(AUDIOLIB_GetHRTFName(0), nullptr);
    EXPECT_FALSE(AUDIOLIB_InitLoopback(44100, 3));
}

TEST_F(Hrtf, StatusAndDataSetsOnTheNullOutput) {
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    auto info = hrtfInfo();
    EXPECT_EQ(info.mode, DWORD(AUDIOLIB_HRTF_AUTO)) << "an output device opens as OpenAL decides";
    EXPECT_FALSE(info.active) << "the null output reports no headphones";
    EXPECT_EQ(info.status, DWORD(AUDIOLIB_HRTF_DISABLED));

    ASSERT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_OFF, -1));
    info = hrtfInfo();
    EXPECT_FALSE(info.active);
    EXPECT_EQ(info.status, DWORD(AUDIOLIB_HRTF_DISABLED));

    // Every data set can be chosen; an output device follows the set's rate.
    for (DWORD i = 0; i < info.count; ++i) {
        ASSERT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, static_cast<int>(i)));
        const auto on = hrtfInfo();
        EXPECT_TRUE(on.active) << AUDIOLIB_GetHRTFName(i);
        EXPECT_EQ(on.status, DWORD(AUDIOLIB_HRTF_ENABLED));
        EXPECT_EQ(on.dataset, static_cast<int>(i));
        EXPECT_EQ(on.inUse, static_cast<int>(i)) << AUDIOLIB_GetHRTFName(i);
    }
    BASS_Free();
}

} // namespace
