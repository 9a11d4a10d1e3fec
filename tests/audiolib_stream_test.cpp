// Streams and modules: formats, looping, transport and the end sync, rendered
// through the loopback device.
#include "AudioRender.h"
#include "ScopedValue.h"
#include "SoundFiles.h"
#include "audiolib.h"
#include "internal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

using namespace testsupport;

namespace {

struct SyncLog {
    std::atomic<int> calls{0};
    std::atomic<DWORD> lastUser{0};
    std::atomic<DWORD> lastChannel{0};
    std::atomic<bool> otherThread{false};
    std::atomic<DWORD> stateInCallback{99};
    std::thread::id caller = std::this_thread::get_id();
};

SyncLog* syncLog = nullptr;

class Streams : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode(); }

    std::string tone(const std::string& name, double seconds, int channels = 1) {
        ToneSpec toneSpec;
        toneSpec.seconds = seconds;
        toneSpec.channels = channels;
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeTone(path, toneSpec));
        return path;
    }

    HSTREAM open3D(const std::string& path, DWORD flags = 0xE) {
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, flags);
        EXPECT_NE(h, 0u) << path << ": error " << BASS_ErrorGetCode();
        BASS_3DVECTOR front{0, 0, 1};
        BASS_ChannelSet3DPosition(h, &front, nullptr, nullptr);
        BASS_Apply3D();
        return h;
    }

    // What the end syncs report to: set before the device starts calling
    // back and cleared after it has stopped, whatever the test's outcome.
    SyncLog log;
    ScopedValue<SyncLog*> logTarget{syncLog, &log};
    TempDir dir;
    LoopbackDevice device;
};

void onEnd(HSYNC, DWORD channel, DWORD, void* user) {
    syncLog->lastUser = static_cast<DWORD>(reinterpret_cast<uintptr_t>(user));
    syncLog->lastChannel = channel;
    syncLog->otherThread = std::this_thread::get_id() != syncLog->caller;
    // The callback may ask the library about the channel.
    syncLog->stateInCallback = BASS_ChannelIsActive(channel);
    ++syncLog->calls;
}

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Every end sync the library found due has run (or was dropped) and its thread
// sleeps with nothing to feed: no callback comes until something new is asked.
// Checks that a callback did not fire (again) wait for this, not for a time.
bool syncsSettled() {
    AUDIOLIB_TestCounts c{};
    return AUDIOLIB_TestGetCounts(&c) && c.syncsQueued == c.syncsHandled && c.threadWaiting;
}

TEST_F(Streams, EveryLibsndfileFormatOpensAsA3DSourceAndPlays) {
    for (const char* name : {"a.wav", "a.aif", "a.ogg", "a.flac"}) {
        SCOPED_TRACE(name);
        HSTREAM h = open3D(tone(name, 0.2));
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
        EXPECT_EQ(info.chans, 1u);
        EXPECT_EQ(info.freq, 44100u);
        EXPECT_EQ(info.flags & 0xE, 0xEu);
        EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
        EXPECT_GT(rms(render(0.1), 0, 0.02), 0.05);
        EXPECT_TRUE(BASS_StreamFree(h));
    }
}

TEST_F(Streams, Mp3WithTheMonoFlagIsDownmixedToOneChannel) {
    const std::string path = dir.file("stereo.mp3");
    ToneSpec toneSpec;
    toneSpec.channels = 2;
    toneSpec.seconds = 0.3;
    if (!writeMp3(path, toneSpec))
        GTEST_SKIP() << "libsndfile cannot write MPEG here";
    HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 1u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_GT(rms(render(0.2), 0, 0.05, 0.2), 0.05);
    // Without the mono flag it stays stereo, and so cannot be a 3D source.
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, BASS_SAMPLE_3D), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NO3D);
    HSTREAM plain = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    ASSERT_NE(plain, 0u);
    ASSERT_TRUE(BASS_ChannelGetInfo(plain, &info));
    EXPECT_EQ(info.chans, 2u);
}

TEST_F(Streams, AModuleOpened3DPlays) {
    const std::string path = dir.file("tiny.mod");
    ASSERT_TRUE(writeBytes(path, tinyModule()));
    HMUSIC h = BASS_MusicLoad(0, path.c_str(), 0, 0, 0x20C, 0);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 1u);
    EXPECT_EQ(info.ctype, 2u);
    EXPECT_NE(info.flags & BASS_STREAM_MUSIC, 0u);
    EXPECT_NE(info.flags & BASS_MUSIC_RAMP, 0u);
    BASS_3DVECTOR right{2, 0, 0};
    ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &right, nullptr, nullptr));
    BASS_Apply3D();
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.3);
    EXPECT_GT(rms(out, 1), 0.01);
    EXPECT_GT(rms(out, 1), 2.0 * rms(out, 0));
    // Freed by its own kind only.
    EXPECT_FALSE(BASS_StreamFree(h));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_TRUE(BASS_MusicFree(h));
}

TEST_F(Streams, AModuleThatIsNotLoopedEndsAndALoopedOneGoesOn) {
    const std::string path = dir.file("tiny.mod");
    ASSERT_TRUE(writeBytes(path, tinyModule()));
    HMUSIC once = BASS_MusicLoad(0, path.c_str(), 0, 0, BASS_MUSIC_RAMP, 0);
    HMUSIC looped = BASS_MusicLoad(0, path.c_str(), 0, 0, BASS_MUSIC_RAMP | BASS_SAMPLE_LOOP, 0);
    ASSERT_NE(once, 0u);
    ASSERT_NE(looped, 0u);
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(once, &info));
    EXPECT_EQ(info.chans, 2u);
    ASSERT_TRUE(BASS_ChannelPlay(once, 0));
    ASSERT_TRUE(BASS_ChannelPlay(looped, 0));
    for (int i = 0; i < 100 && BASS_ChannelIsActive(once) != BASS_ACTIVE_STOPPED; ++i)
        render(0.25);
    EXPECT_EQ(BASS_ChannelIsActive(once), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelIsActive(looped), DWORD(BASS_ACTIVE_PLAYING));
}

TEST_F(Streams, ALoopingShortFilePlaysOnWithoutAGap) {
    // 0.1 s of a sine that is continuous across its own loop point.
    ToneSpec toneSpec;
    toneSpec.seconds = 0.1;
    toneSpec.frequency = 440.0; // whole periods in 0.1 s
    toneSpec.amplitude = 0.8;
    const std::string path = dir.file("loop.wav");
    ASSERT_TRUE(writeTone(path, toneSpec));
    HSTREAM h = open3D(path, BASS_SAMPLE_LOOP);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.5);
    // A gap or a click would show as a run of near-zero samples or a jump.
    EXPECT_LT(longestQuietRun(out, 0.01, 0.5, 1e-3f), 8u);
    double maxStep = 0.0;
    for (size_t i = 2 * 441; i + 2 < out.size(); i += 2)
        maxStep = std::max(maxStep, static_cast<double>(std::fabs(out[i + 2] - out[i])));
    const double sineStep = 0.8 * 2 * M_PI * 440.0 / 44100.0;
    EXPECT_LT(maxStep, 1.5 * sineStep);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
}

TEST_F(Streams, ClearingTheLoopFlagStopsAtTheEndAndFiresTheSyncOnce) {
    const std::string path = tone("loop.wav", 0.1);
    HSTREAM h = open3D(path, 0xE);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.23); // into the third pass, with later passes queued already
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    ASSERT_TRUE(BASS_ChannelSetFlags(h, info.flags & ~DWORD(BASS_SAMPLE_LOOP)));
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.flags & BASS_SAMPLE_LOOP, 0u);
    HSYNC sync = BASS_ChannelSetSync(h, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, onEnd,
                                     reinterpret_cast<void*>(uintptr_t{7}));
    ASSERT_NE(sync, 0u);
    const auto out = render(0.3);
    // Sound until 0.3 s (the end of the third pass), silence after it.
    EXPECT_GT(rms(out, 0, 0.0, 0.06), 0.05);
    EXPECT_LT(peak(out, 0.08), 1e-4);
    EXPECT_GT(longestQuietRun(out, 0.0, 0.3), size_t(0.2 * kRenderRate));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(waitFor([&] { return log.calls > 0; }));
    render(0.2);
    ASSERT_TRUE(waitFor(syncsSettled));
    EXPECT_EQ(log.calls, 1);
    EXPECT_EQ(log.lastUser, 7u);
    EXPECT_EQ(log.lastChannel, h);
    EXPECT_TRUE(log.otherThread);
    EXPECT_EQ(log.stateInCallback, DWORD(BASS_ACTIVE_STOPPED));
}

TEST_F(Streams, TheEndSyncFiresWhenALoopingChannelPassesItsEnd) {
    HSTREAM h = open3D(tone("loop.wav", 0.1), 0xE);
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, onEnd,
                                  reinterpret_cast<void*>(uintptr_t{3})),
              0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.08);
    ASSERT_TRUE(waitFor(syncsSettled));
    EXPECT_EQ(log.calls, 0) << "fired before the end was played";
    render(0.3); // passes the end three times
    ASSERT_TRUE(waitFor([&] { return log.calls > 0; }));
    ASSERT_TRUE(waitFor(syncsSettled));
    EXPECT_EQ(log.calls, 1); // one-shot
    EXPECT_EQ(log.stateInCallback, DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
}

TEST_F(Streams, SeveralPendingSyncsEachRunOnce) {
    HSTREAM h = open3D(tone("short.wav", 0.05), 0xA);
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(BASS_ChannelSetSync(h, 0x80000002u, 0, onEnd, nullptr), 0u);
    // Persistent syncs stay; an unknown type is refused.
    EXPECT_EQ(BASS_ChannelSetSync(h, 0x1234, 0, onEnd, nullptr), 0u);
    EXPECT_EQ(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, nullptr, nullptr), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.2);
    ASSERT_TRUE(waitFor([&] { return log.calls >= 3; }));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0)); // played to its end: starts again
    render(0.2);
    ASSERT_TRUE(waitFor(syncsSettled));
    EXPECT_EQ(log.calls, 3);
}

TEST_F(Streams, PauseKeepsThePositionAndPlayResumes) {
    HSTREAM h = open3D(tone("long.wav", 0.6), 0xA);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.2);
    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PAUSED));
    const QWORD pos = BASS_ChannelGetPosition(h);
    EXPECT_NEAR(static_cast<double>(pos), 0.2 * 44100 * 2, 0.01 * 44100 * 2);
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5); // after OpenAL's short fade-out
    EXPECT_EQ(BASS_ChannelGetPosition(h), pos);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    const auto out = render(0.5);
    // The remaining 0.4 s play, then the channel ends.
    EXPECT_GT(rms(out, 0, 0.0, 0.38), 0.05);
    EXPECT_LT(peak(out, 0.42), 1e-4);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
}

TEST_F(Streams, SetPositionZeroRewindsAlsoWhilePaused) {
    HSTREAM h = open3D(tone("long.wav", 0.4), 0xA);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.3);
    // The program's stop: pause, then back to the start.
    ASSERT_TRUE(BASS_ChannelPause(h));
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0));
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PAUSED));
    EXPECT_LT(peak(render(0.05), 0.02), 1e-5);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.5);
    EXPECT_GT(rms(out, 0, 0.0, 0.38), 0.05); // the whole 0.4 s again
    EXPECT_LT(peak(out, 0.42), 1e-4);
}

TEST_F(Streams, AStoppedChannelIsNotActiveAndPlayGoesOnFromItsPosition) {
    HSTREAM h = open3D(tone("long.wav", 0.6), 0xA);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.2);
    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_LT(peak(render(0.1), 0.02), 1e-5); // after OpenAL's short fade-out
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.6);
    EXPECT_GT(rms(out, 0, 0.0, 0.38), 0.05);
    EXPECT_LT(peak(out, 0.42), 1e-4);
}

TEST_F(Streams, PlayAfterTheEndStartsAgainFromTheBeginning) {
    HSTREAM h = open3D(tone("short.wav", 0.1), 0xA);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.2);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(BASS_ChannelGetPosition(h), QWORD(0.1 * 44100 * 2));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.2);
    EXPECT_GT(rms(out, 0, 0.0, 0.09), 0.05);
    EXPECT_LT(peak(out, 0.12), 1e-4);
}

TEST_F(Streams, SettingTheLoopFlagNearTheEndKeepsItGoing) {
    HSTREAM h = open3D(tone("short.wav", 0.1), 0xA);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    render(0.05);
    ASSERT_TRUE(BASS_ChannelSetFlags(h, 0xE));
    const auto out = render(0.3);
    EXPECT_LT(longestQuietRun(out, 0.0, 0.3, 1e-3f), 8u);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
}

// Offline rendering tops a queue up only when a quarter of it is left: at
// any file rate, pitch (changed while playing too) and render block, a looping
// stream never runs dry and reports every pass over its end.
TEST_F(Streams, ALoopingStreamStaysFedAtEveryRatePitchAndBlock) {
    struct Case {
        int rate;
        DWORD freq, laterFreq; // 0: the file's own rate
        DWORD block;           // frames per render call
    };
    const Case cases[] = {
        {44100, 0, 0, 441},      {44100, 0, 0, 3000},    {8000, 0, 0, 100},
        {96000, 0, 0, 1024},     {8000, 64000, 0, 441},  {44100, 0, 192000, 441},
        {48000, 0, 12000, 2048}, {8000, 0, 64000, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz at " + std::to_string(c.freq) + ", then " +
                     std::to_string(c.laterFreq) + ", blocks of " + std::to_string(c.block));
        ToneSpec spec;
        spec.rate = c.rate;
        spec.seconds = 0.25;
        spec.frequency = 400.0; // whole periods: continuous across the loop point
        const std::string path = dir.file("fed" + std::to_string(&c - cases) + ".wav");
        ASSERT_TRUE(writeTone(path, spec));
        const HSTREAM h = open3D(path, BASS_SAMPLE_LOOP);
        ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, onEnd, nullptr), 0u);
        ASSERT_TRUE(BASS_ChannelSetAttributes(h, static_cast<int>(c.freq), -1, -101));
        const int before = log.calls;
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        std::vector<float> out;
        double passes = 0.0; // file lengths played
        for (int half = 0; half < 2; ++half) {
            if (half == 1 && c.laterFreq) {
                ASSERT_TRUE(BASS_ChannelSetAttributes(h, static_cast<int>(c.laterFreq), -1, -101));
            }
            const DWORD freq = half == 1 && c.laterFreq ? c.laterFreq : c.freq;
            for (DWORD done = 0; done < kRenderRate / 2; done += c.block) {
                std::vector<float> part(2 * size_t{c.block});
                ASSERT_TRUE(AUDIOLIB_Render(part.data(), c.block));
                out.insert(out.end(), part.begin(), part.end());
                passes +=
                    double(c.block) / kRenderRate * (freq ? freq : c.rate) / c.rate / spec.seconds;
            }
        }
        EXPECT_LT(longestQuietRun(out, 0.01, 1e9, 1e-3f), 8u) << "ran dry";
        EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
        // An end is reported once the buffer holding it has played: up to a
        // fiftieth of a second of the file (0.08 passes) later.
        const int least = static_cast<int>(passes - 0.09), most = static_cast<int>(passes);
        ASSERT_TRUE(waitFor([&] { return log.calls - before >= least; }));
        ASSERT_TRUE(waitFor(syncsSettled));
        EXPECT_GE(log.calls - before, least) << passes << " passes played";
        EXPECT_LE(log.calls - before, most) << passes << " passes played";
        ASSERT_TRUE(BASS_StreamFree(h));
    }
}

TEST_F(Streams, FrequencyAttributeChangesThePitch) {
    HSTREAM h = open3D(tone("pitch.wav", 0.5), 0xE);
    ASSERT_TRUE(BASS_ChannelSetAttributes(h, 88200, -1, -101));
    DWORD freq = 0;
    ASSERT_TRUE(BASS_ChannelGetAttributes(h, &freq, nullptr, nullptr));
    EXPECT_EQ(freq, 88200u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.2);
    int crossings = 0;
    for (size_t i = 2 * 441; i + 2 < out.size(); i += 2)
        crossings += (out[i] < 0.f) != (out[i + 2] < 0.f);
    // 440 Hz played twice as fast: about 880 periods per second.
    EXPECT_NEAR(crossings / 2.0 / 0.19, 880.0, 40.0);
}

} // namespace
