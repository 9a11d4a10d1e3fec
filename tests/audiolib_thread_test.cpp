// The library's own thread on a real (null) output device: streaming in real
// time, the end sync, and calls from the caller's thread racing it.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"
#include "internal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace testsupport;
using namespace std::chrono_literals;

namespace {

bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5000ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
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

class NullDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    }
    void TearDown() override { BASS_Free(); }

    std::string tone(const std::string& name, double seconds) {
        ToneSpec toneSpec;
        toneSpec.seconds = seconds;
        const std::string path = dir.file(name);
        EXPECT_TRUE(writeTone(path, toneSpec));
        return path;
    }

    TempDir dir;
};

struct EndLog {
    std::atomic<int> calls{0};
    std::atomic<bool> afterFree{false};
    std::atomic<bool> calledAfterFree{false};
    std::atomic<DWORD> user{0};
    std::atomic<DWORD> state{99};
    std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> otherThread{false};
};

void onEnd(HSYNC, DWORD channel, DWORD, void* user) {
    auto* log = static_cast<EndLog*>(user);
    if (log->afterFree)
        log->calledAfterFree = true;
    log->state = BASS_ChannelIsActive(channel);
    log->otherThread = std::this_thread::get_id() != log->caller;
    ++log->calls;
}

TEST_F(NullDevice, AShortFilePlaysToItsEndFiresTheSyncAndStops) {
    HSTREAM h = BASS_StreamCreateFile(0, tone("short.wav", 0.2).c_str(), 0, 0, 0xA);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    EndLog log;
    ASSERT_NE(BASS_ChannelSetSync(h, 0x80000002u, 0, onEnd, &log), 0u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(waitFor([&] { return log.calls > 0; })) << "no end sync";
    // Played, not just decoded: the null output runs in real time.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 150ms);
    EXPECT_TRUE(waitFor([&] { return BASS_ChannelIsActive(h) == BASS_ACTIVE_STOPPED; }));
    EXPECT_EQ(log.state, DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(log.otherThread);
    ASSERT_TRUE(waitFor(syncsSettled));
    EXPECT_EQ(log.calls, 1);
}

TEST_F(NullDevice, ALoopingStreamKeepsPlayingInRealTime) {
    HSTREAM h = BASS_StreamCreateFile(0, tone("loop.ogg", 0.05).c_str(), 0, 0, 0xE);
    ASSERT_NE(h, 0u);
    EndLog log;
    ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, onEnd, &log), 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    std::this_thread::sleep_for(400ms);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    // A persistent sync fires at every pass: about eight in 0.4 s.
    EXPECT_GE(log.calls, 4);
    EXPECT_LE(log.calls, 9);
    EXPECT_EQ(log.state, DWORD(BASS_ACTIVE_PLAYING));
}

TEST_F(NullDevice, AFreedChannelNeverCallsBack) {
    const std::string path = tone("tiny.wav", 0.01);
    for (int round = 0; round < 20; ++round) {
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        ASSERT_NE(h, 0u);
        EndLog log;
        ASSERT_NE(BASS_ChannelSetSync(h, BASS_SYNC_END, 0, onEnd, &log), 0u);
        ASSERT_TRUE(BASS_ChannelPlay(h, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 5 * 7));
        ASSERT_TRUE(BASS_StreamFree(h));
        log.afterFree = true;
        ASSERT_TRUE(waitFor(syncsSettled)) << "round " << round;
        EXPECT_FALSE(log.calledAfterFree) << "round " << round;
    }
}

TEST_F(NullDevice, CallsFromTheCallerRaceTheThreadSafely) {
    const std::string path = tone("race.wav", 0.05);
    std::vector<HSTREAM> handles;
    for (int i = 0; i < 8; ++i) {
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        ASSERT_NE(h, 0u);
        ASSERT_NE(BASS_ChannelSetFX(h, BASS_FX_REVERB, 2), 0u);
        handles.push_back(h);
    }
    const auto until = std::chrono::steady_clock::now() + 300ms;
    for (int i = 0; std::chrono::steady_clock::now() < until; ++i) {
        HSTREAM h = handles[static_cast<size_t>(i) % handles.size()];
        BASS_3DVECTOR pos{static_cast<float>(i % 7) - 3.f, 0.f, 1.f};
        BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
        BASS_Apply3D();
        switch (i % 5) {
        case 0:
            BASS_ChannelPlay(h, 0);
            break;
        case 1:
            BASS_ChannelSetFlags(h, (i / 5) % 2 ? 0xE : 0xA);
            break;
        case 2:
            BASS_ChannelPause(h);
            BASS_ChannelSetPosition(h, 0);
            break;
        case 3:
            BASS_ChannelSetSync(
                h, 0x80000002u, 0, [](HSYNC, DWORD, DWORD, void*) {}, nullptr);
            break;
        default:
            BASS_ChannelSetAttributes(h, -1, i % 101, -101);
        }
        BASS_ChannelIsActive(h);
        std::this_thread::sleep_for(1ms);
    }
    for (HSTREAM h : handles)
        EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(NullDevice, PausedChannelsRestTheirReverbOnceItRangOut) {
    const auto working = [] {
        AUDIOLIB_TestCounts c{};
        return AUDIOLIB_TestGetCounts(&c) ? c.workingSlots : -1;
    };
    HSTREAM h = BASS_StreamCreateFile(0, tone("rest.wav", 0.1).c_str(), 0, 0, 0xE);
    ASSERT_NE(h, 0u);
    const BASS_REVERB_PARAMS shortRoom{0.f, 0.f, 100.f, 0.5f};
    ASSERT_TRUE(BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_REVERB, 2), &shortRoom));
    EXPECT_EQ(working(), 0);
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(working(), 1);
    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(working(), 1) << "rings out first";
    // The library's thread keeps the time on an output device.
    EXPECT_TRUE(waitFor([&] { return working() == 0; }));
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    EXPECT_EQ(working(), 1);
}

TEST_F(NullDevice, FreeClosesEverythingWhilePlaying) {
    const std::string path = tone("free.wav", 0.3);
    for (int i = 0; i < 4; ++i) {
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        ASSERT_NE(h, 0u);
        BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
        BASS_ChannelPlay(h, 0);
    }
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(BASS_Stop());
    EXPECT_TRUE(BASS_Free());
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr));
}

} // namespace
