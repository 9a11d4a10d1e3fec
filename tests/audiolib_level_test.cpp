// Channel levels: the peak of what a channel feeds now, after its volume,
// rendered through the loopback device and read back as the meters read it.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace testsupport;

namespace {

double decibels(DWORD side) {
    return 20.0 * std::log10(double(side) / 32768.0);
}

TEST(ChannelLevels, ReadThePeakOfWhatIsHeardNowAfterTheVolume) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    const struct {
        const char* name;
        int channels;
        double amplitude;
        int volume;        // the channel's volume attribute (the program's gain and mute)
        double expectedDb; // both sides; -INFINITY: silence
    } cases[] = {
        {"mono -6 dBFS", 1, std::pow(10.0, -6.0 / 20.0), 100, -6.0},
        {"stereo -6 dBFS", 2, std::pow(10.0, -6.0 / 20.0), 100, -6.0},
        {"half volume", 1, std::pow(10.0, -6.0 / 20.0), 50, -12.02},
        {"muted", 1, 0.5, 0, -INFINITY},
        {"full scale", 1, 1.0, 100, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".wav");
        // Another rate than the device's: the window is the file's.
        ASSERT_TRUE(writeTone(
            path,
            {.channels = c.channels, .rate = 48000, .seconds = 1.0, .amplitude = c.amplitude}));
        const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(BASS_ChannelSetAttributes(h, -1, c.volume, -101));
        EXPECT_EQ(AUDIOLIB_ChannelGetLevel(h), 0u) << "not playing yet";
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        for (int look = 0; look < 5; ++look) {
            ASSERT_FALSE(render(0.05).empty());
            const DWORD level = AUDIOLIB_ChannelGetLevel(h);
            if (std::isinf(c.expectedDb)) {
                EXPECT_EQ(level, 0u);
                continue;
            }
            EXPECT_NEAR(decibels(level & 0xffff), c.expectedDb, 0.5) << "look " << look;
            EXPECT_NEAR(decibels(level >> 16), c.expectedDb, 0.5) << "look " << look;
        }
        ASSERT_TRUE(BASS_ChannelPause(h));
        EXPECT_EQ(AUDIOLIB_ChannelGetLevel(h), 0u) << "paused";
        BASS_StreamFree(h);
        EXPECT_EQ(AUDIOLIB_ChannelGetLevel(h), DWORD(-1));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }

    // 0.3 s at full scale, then 0.3 s of silence, as one file: queued ahead
    // but not heard yet, the silence must not show early, and the loud part
    // must not linger once the silence plays.
    std::vector<float> samples = toneSamples({.seconds = 0.3, .amplitude = 1.0});
    samples.resize(samples.size() * 2, 0.f);
    const std::string path = dir.file("loud-then-quiet.wav");
    ASSERT_TRUE(writeFloatWav(path, samples));
    const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_TRUE(h && BASS_ChannelPlay(h, 0));
    ASSERT_FALSE(render(0.2).empty());
    EXPECT_GE(AUDIOLIB_ChannelGetLevel(h) & 0xffff, 32000u) << "the loud part is playing";
    ASSERT_FALSE(render(0.2).empty());
    EXPECT_EQ(AUDIOLIB_ChannelGetLevel(h), 0u) << "the quiet part is playing";
    BASS_StreamFree(h);
}

} // namespace
