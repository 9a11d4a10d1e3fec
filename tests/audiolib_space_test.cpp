// Where sources are heard: 3D positions, pan, volume, and which files may be
// 3D sources at all. Everything is rendered through the loopback device.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

class Space : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode(); }

    // A looping mono sine, opened as the program opens a stream.
    HSTREAM monoSource(double x, double y, double z) {
        const std::string path = dir.file("mono.wav");
        ToneSpec toneSpec;
        toneSpec.seconds = 0.25;
        EXPECT_TRUE(writeTone(path, toneSpec));
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_3DVECTOR pos{static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
        EXPECT_TRUE(BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr));
        BASS_Apply3D();
        return h;
    }

    HSTREAM stereoStream(const std::string& name) {
        const std::string path = dir.file(name);
        ToneSpec toneSpec;
        toneSpec.channels = 2;
        toneSpec.seconds = 0.3;
        EXPECT_TRUE(writeTone(path, toneSpec));
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        EXPECT_EQ(h, 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NO3D);
        h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_SAMPLE_LOOP);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        return h;
    }

    TempDir dir;
    LoopbackDevice device;
};

TEST_F(Space, SourceOnTheRightIsLouderRight) {
    HSTREAM h = monoSource(2, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.2);
    EXPECT_GT(rms(out, 1, 0.05), 2.0 * rms(out, 0, 0.05));
    EXPECT_GT(rms(out, 1, 0.05), 0.01);
}

TEST_F(Space, SourceOnTheLeftIsLouderLeft) {
    HSTREAM h = monoSource(-2, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.2);
    EXPECT_GT(rms(out, 0, 0.05), 2.0 * rms(out, 1, 0.05));
}

TEST_F(Space, SourceInFrontIsBalanced) {
    HSTREAM h = monoSource(0, 0, 2);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.2);
    const double l = rms(out, 0, 0.05), r = rms(out, 1, 0.05);
    EXPECT_GT(l, 0.01);
    EXPECT_NEAR(l / r, 1.0, 0.05);
}

TEST_F(Space, ListenerTurnedLeftHearsTheFrontOnTheRight) {
    const BASS_3DVECTOR left{-1, 0, 0}, up{0, 1, 0}, zero{0, 0, 0};
    EXPECT_FALSE(AUDIOLIB_SetListenerOrientation(nullptr, &up));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_FALSE(AUDIOLIB_SetListenerOrientation(&left, &zero));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);

    HSTREAM h = monoSource(0, 0, 2);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    ASSERT_TRUE(AUDIOLIB_SetListenerOrientation(&left, &up));
    // Not before the next Apply3D: still straight ahead.
    auto out = render(0.2);
    EXPECT_NEAR(rms(out, 0, 0.05) / rms(out, 1, 0.05), 1.0, 0.05);
    BASS_Apply3D();
    out = render(0.2);
    EXPECT_GT(rms(out, 1, 0.05), 2.0 * rms(out, 0, 0.05));
    EXPECT_GT(rms(out, 1, 0.05), 0.01);
}

TEST_F(Space, FartherIsQuieter) {
    HSTREAM h = monoSource(0, 0, 1);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const double nearLevel = rms(render(0.2), 0, 0.05);
    BASS_3DVECTOR far{0, 0, 8};
    ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &far, nullptr, nullptr));
    BASS_Apply3D();
    const double farLevel = rms(render(0.2), 0, 0.05);
    EXPECT_LT(farLevel, nearLevel / 4);
}

TEST_F(Space, MovingTakesEffectAtApply3D) {
    HSTREAM h = monoSource(2, 0, 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.05);
    BASS_3DVECTOR left{-2, 0, 0};
    ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &left, nullptr, nullptr));
    BASS_3DVECTOR stored{};
    ASSERT_TRUE(BASS_ChannelGet3DPosition(h, &stored, nullptr, nullptr));
    EXPECT_FLOAT_EQ(stored.x, -2.f);
    auto before = render(0.1);
    EXPECT_GT(rms(before, 1, 0.02), 2.0 * rms(before, 0, 0.02)) << "moved before Apply3D";
    BASS_Apply3D();
    auto after = render(0.1);
    EXPECT_GT(rms(after, 0, 0.02), 2.0 * rms(after, 1, 0.02));
}

TEST_F(Space, StereoWavAndOggAreNot3DButOpenPlain) {
    for (const char* name : {"stereo.wav", "stereo.ogg"}) {
        SCOPED_TRACE(name);
        HSTREAM h = stereoStream(name);
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.chans, 2u);
        EXPECT_EQ(info.flags & BASS_SAMPLE_3D, 0u);
        EXPECT_EQ(info.flags & BASS_SAMPLE_LOOP, DWORD(BASS_SAMPLE_LOOP));
        EXPECT_EQ(info.freq, 44100u);
        EXPECT_EQ(info.ctype, 1u);
        BASS_3DVECTOR pos{1, 0, 0};
        EXPECT_FALSE(BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr));
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        const auto out = render(0.2);
        EXPECT_GT(rms(out, 0, 0.05), 0.1);
        EXPECT_NEAR(rms(out, 0, 0.05) / rms(out, 1, 0.05), 1.0, 0.05);
        EXPECT_TRUE(BASS_StreamFree(h));
    }
}

TEST_F(Space, PanSendsStereoToOneSide) {
    HSTREAM h = stereoStream("pan.wav");
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, -100));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    auto out = render(0.2);
    EXPECT_GT(rms(out, 0, 0.05), 0.1);
    EXPECT_LT(rms(out, 1, 0.05), 0.001);

    // A stereo balance applies to what is queued from now on: within a few
    // hundred milliseconds.
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, 250)); // clamped to 100
    int pan = 0;
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, nullptr, nullptr, &pan));
    EXPECT_EQ(pan, 100);
    out = render(0.5);
    EXPECT_GT(rms(out, 1, 0.3), 0.1);
    EXPECT_LT(rms(out, 0, 0.3), 0.001);

    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, -101)); // unchanged
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, nullptr, nullptr, &pan));
    EXPECT_EQ(pan, 100);
}

TEST_F(Space, PanPlacesAMonoPlainChannel) {
    const std::string path = dir.file("mono.flac");
    ASSERT_TRUE(writeTone(path));
    HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_SAMPLE_LOOP);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, 100));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.15);
    EXPECT_GT(rms(out, 1, 0.05), 4.0 * rms(out, 0, 0.05));
}

TEST_F(Space, VolumeZeroSilencesAndVolumeScales) {
    HSTREAM h = stereoStream("volume.wav");
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const double full = rms(render(0.1), 0, 0.02);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 50, -101));
    const double half = rms(render(0.1), 0, 0.02);
    EXPECT_NEAR(half / full, 0.5, 0.05);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 0, -101));
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5);
    DWORD volume = 99;
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, -101));
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 1000, -101));
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 100u);
    EXPECT_GT(rms(render(0.1), 0, 0.02), 0.1);

    // A stereo source far off the axis is handed a negative volume: silence,
    // not the last level. Only -1 leaves the volume as it is.
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -5, -101));
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5);
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, nullptr, &volume, nullptr));
    EXPECT_EQ(volume, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, -1, -101));
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5);
}

TEST_F(Space, VolumeAppliesTo3DSources) {
    HSTREAM h = monoSource(0, 0, 1);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, 0, -101));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5);
}

TEST_F(Space, DistanceFactorScalesPositions) {
    HSTREAM h = monoSource(0, 0, 2);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const double metres = rms(render(0.15), 0, 0.05);
    ASSERT_TRUE(BASS_Set3DFactors(4.f, -1.f, -1.f)); // a unit is now 4 m
    BASS_Apply3D();
    const double scaled = rms(render(0.15), 0, 0.05);
    EXPECT_NEAR(scaled / metres, 0.25, 0.05);
}

TEST_F(Space, ThirtyTwoFullScaleSourcesDoNotClipHarshly) {
    const std::string path = dir.file("loud.wav");
    ToneSpec toneSpec;
    toneSpec.amplitude = 1.0;
    toneSpec.seconds = 0.3;
    ASSERT_TRUE(writeTone(path, toneSpec));
    std::vector<HSTREAM> handles;
    for (int i = 0; i < 32; ++i) {
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        ASSERT_NE(h, 0u) << i << " " << BASS_ErrorGetCode();
        BASS_3DVECTOR pos{0, 0, 0.5f};
        BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
        handles.push_back(h);
    }
    BASS_Apply3D();
    for (HSTREAM h : handles)
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.25);
    EXPECT_GT(rms(out, 0, 0.1), 0.3); // loud,
    EXPECT_LE(peak(out, 0.0), 1.05);  // but kept within full scale
}

} // namespace
