// A channel's dry samples through its decode-only twin, as a renderer of its
// own reads them (the direct path switch and the 3D space getter are used by
// the AmbiX renderer's tests).
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testsupport;

namespace {

constexpr DWORD Bad = static_cast<DWORD>(-1);

std::vector<float> ReadAll(DWORD twin, size_t frames, int chans) {
    std::vector<float> out(frames * static_cast<size_t>(chans));
    const DWORD got = AUDIOLIB_DecoderRead(twin, out.data(), static_cast<DWORD>(frames));
    out.resize(got == Bad ? 0 : got * static_cast<size_t>(chans));
    return out;
}

// The twin yields the file's samples as the channel plays them: the mono
// file as written, a looping file past its end, another rate at the device's,
// a four-channel file folded to stereo; and it outlives its channel.
TEST(DecoderTwin, ReadsTheChannelsSamplesAsItPlaysThem) {
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    TempDir dir;
    const ToneSpec mono{.seconds = 0.1, .amplitude = 0.4, .wave = Wave::Noise};
    const ToneSpec slow{.rate = 22050, .seconds = 0.1, .frequency = 100};
    const ToneSpec quad{.channels = 4, .seconds = 0.1, .wave = Wave::Noise};
    ASSERT_TRUE(writeTone(dir.file("mono.wav"), mono));
    ASSERT_TRUE(writeTone(dir.file("slow.wav"), slow));
    ASSERT_TRUE(writeTone(dir.file("quad.wav"), quad));
    const auto file = [&](const char* name) { return dir.file(name); };

    const DWORD once = BASS_StreamCreateFile(false, file("mono.wav").c_str(), 0, 0,
                                             BASS_SAMPLE_3D | BASS_SAMPLE_MONO);
    const DWORD looping = BASS_StreamCreateFile(false, file("mono.wav").c_str(), 0, 0,
                                                BASS_SAMPLE_3D | BASS_SAMPLE_LOOP);
    const DWORD slowCh =
        BASS_StreamCreateFile(false, file("slow.wav").c_str(), 0, 0, BASS_SAMPLE_3D);
    const DWORD quadCh = BASS_StreamCreateFile(false, file("quad.wav").c_str(), 0, 0, 0);
    ASSERT_TRUE(once && looping && slowCh && quadCh) << BASS_ErrorGetCode();
    const DWORD twins[4] = {AUDIOLIB_DecoderOpen(once), AUDIOLIB_DecoderOpen(looping),
                            AUDIOLIB_DecoderOpen(slowCh), AUDIOLIB_DecoderOpen(quadCh)};
    for (DWORD t : twins)
        ASSERT_NE(t, 0u) << BASS_ErrorGetCode();

    const auto written = toneSamples(mono);
    const auto a = ReadAll(twins[0], 10000, 1);
    ASSERT_EQ(a.size(), written.size()) << "a file that does not loop ends";
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_NEAR(a[i], written[i], 1e-4) << i;
    EXPECT_EQ(ReadAll(twins[0], 100, 1).size(), 0u);

    const auto b = ReadAll(twins[1], 10000, 1);
    ASSERT_EQ(b.size(), 10000u) << "a looping file goes on";
    EXPECT_NEAR(b[written.size() + 5], written[5], 1e-4);

    BASS_StreamFree(slowCh); // the twin reads on without its channel
    const auto c = ReadAll(twins[2], 10000, 1);
    EXPECT_NEAR(double(c.size()), 4410.0, 2.0) << "0.1 s at the device's 44100 Hz";
    const auto slowWritten = toneSamples(slow);
    for (size_t i = 0; i + 2 < c.size(); i += 2) // every other frame falls on the file's
        ASSERT_NEAR(c[i], slowWritten[i / 2], 1e-4) << i;

    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(quadCh, &info);
    ASSERT_EQ(info.chans, 2u);
    const auto quadWritten = toneSamples(quad);
    const auto d = ReadAll(twins[3], 10, 2);
    ASSERT_EQ(d.size(), 20u);
    EXPECT_NEAR(d[0], (quadWritten[0] + quadWritten[2]) / 2, 1e-4);
    EXPECT_NEAR(d[1], (quadWritten[1] + quadWritten[3]) / 2, 1e-4);

    // A module as a 3D source: rendered to one channel at the device's rate.
    ASSERT_TRUE(writeBytes(file("tiny.mod"), tinyModule()));
    const DWORD music = BASS_MusicLoad(false, file("tiny.mod").c_str(), 0, 0, BASS_SAMPLE_3D, 0);
    ASSERT_NE(music, 0u) << BASS_ErrorGetCode();
    const DWORD musicTwin = AUDIOLIB_DecoderOpen(music);
    ASSERT_NE(musicTwin, 0u) << BASS_ErrorGetCode();
    const auto m = ReadAll(musicTwin, 4410, 1);
    ASSERT_EQ(m.size(), 4410u);
    EXPECT_GT(*std::max_element(m.begin(), m.end()), 0.01f) << "the square wave sounds";
    EXPECT_TRUE(AUDIOLIB_DecoderFree(musicTwin));

    float sample = 0;
    for (DWORD t : twins)
        EXPECT_TRUE(AUDIOLIB_DecoderFree(t));
    EXPECT_FALSE(AUDIOLIB_DecoderFree(twins[0]));
    EXPECT_EQ(AUDIOLIB_DecoderRead(twins[0], &sample, 1), Bad);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_EQ(AUDIOLIB_DecoderOpen(slowCh), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);

    // The factors read back as set, for a renderer to apply them itself.
    BASS_Set3DFactors(2.0f, 0.5f, -1);
    float distf = 0, rollf = 0;
    ASSERT_TRUE(AUDIOLIB_Get3DSpace(&distf, &rollf, nullptr, nullptr));
    EXPECT_EQ(distf, 2.0f);
    EXPECT_EQ(rollf, 0.5f);

    // A twin needs no device once open; the device's switches need one.
    const DWORD late = AUDIOLIB_DecoderOpen(looping);
    BASS_Free();
    EXPECT_EQ(ReadAll(late, 100, 1).size(), 100u);
    EXPECT_TRUE(AUDIOLIB_DecoderFree(late));
    EXPECT_FALSE(AUDIOLIB_SetDirectPath(false));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
    EXPECT_FALSE(AUDIOLIB_Get3DSpace(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(AUDIOLIB_DecoderOpen(once), 0u);
}

} // namespace
