// Damaged and unusual files: what one of them may leave behind (a poisoned
// mixer, a leak, a crash, a stream that never ends) and formats that change or
// hide behind large tags.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "WavPackFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sndfile.h>

using namespace testsupport;

namespace {

// Writes a mono 32-bit float WAV: libsndfile stores the values as they are.
void writeFloatWav(const std::string& path, const std::vector<float>& samples, int rate = 44100) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

bool allFinite(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// Plays path as a 3D source in front with the channel's own reverb fully in
// and the room environment on, the way the program places a file, for seconds.
std::vector<float> playPlaced(const std::string& path, double seconds) {
    const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
    EXPECT_NE(h, 0u) << path << ": error " << BASS_ErrorGetCode();
    const BASS_3DVECTOR front{0.f, 0.f, 1.f};
    BASS_ChannelSet3DPosition(h, &front, nullptr, nullptr);
    BASS_Apply3D();
    const HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
    const BASS_REVERB_PARAMS params{0.f, 0.f, 1200.f, 0.1f};
    BASS_FXSetParameters(fx, &params);
    BASS_ChannelPlay(h, 0);
    auto out = render(seconds);
    BASS_StreamFree(h);
    return out;
}

TEST(DamagedSamples, AFileWithNonFiniteOrHugeSamplesLeavesTheMixerUsable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    TempDir dir;
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(writeTone(good, {.seconds = 0.3}));
    const auto tone = toneSamples({.seconds = 0.3});
    ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u);

    for (const float bad : {nan, inf, -inf, 1e30f}) {
        SCOPED_TRACE(bad);
        auto samples = tone;
        samples[1000] = bad;
        const std::string wav = dir.file("bad.wav");
        writeFloatWav(wav, samples);
        // The same damage in a WavPack float file, read through the plug-in.
        const std::string wv = dir.file("bad.wv");
        ASSERT_EQ(writeWavPack(wv, samples, 1, 44100, WavPackSamples::Float32), "");
        for (const std::string& path : {wav, wv}) {
            SCOPED_TRACE(path);
            LoopbackDevice device;
            ASSERT_TRUE(device.ok());
            BASS_SetEAXParameters(EAX_ENVIRONMENT_HALLWAY, 0.5f, -1.f, -1.f);
            const auto damaged = playPlaced(path, 0.3);
            EXPECT_TRUE(allFinite(damaged));
            EXPECT_LT(peak(damaged), 100.0);
            // The tone around the bad sample is still heard.
            EXPECT_GT(rms(damaged, 0, 0.05, 0.3), 0.02);
            const auto after = playPlaced(good, 0.3);
            EXPECT_TRUE(allFinite(after));
            EXPECT_GT(rms(after, 0, 0.05, 0.3), 0.02);
            EXPECT_GT(rms(after, 1, 0.05, 0.3), 0.02);
        }
    }
}

} // namespace

TEST(UnplayableRates, RatesTooLowToPlayAreRefusedAndTheLowestPlayableEnds) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u);
    for (const int rate : {10, 40, 49, 999}) {
        SCOPED_TRACE(rate);
        const std::vector<float> samples(static_cast<size_t>(rate), 0.5f); // one second
        const std::string wv = dir.file("low.wv");
        ASSERT_EQ(writeWavPack(wv, samples, 1, rate), "");
        const std::string wav = dir.file("low.wav");
        writeFloatWav(wav, samples, rate);
        for (const std::string& path : {wv, wav}) {
            EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE), 0u) << path;
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT) << path;
        }
    }
    // 1000 Hz plays, and a tenth of a second of it ends within a render of half a second.
    const std::string wv = dir.file("slow.wv");
    ASSERT_EQ(writeWavPack(wv, std::vector<float>(100, 0.5f), 1, 1000), "");
    const HSTREAM h = BASS_StreamCreateFile(0, wv.c_str(), 0, 0, BASS_SAMPLE_3D);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.5);
    EXPECT_GT(rms(out, 0, 0.02, 0.08), 0.05);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD{BASS_ACTIVE_STOPPED});
}
