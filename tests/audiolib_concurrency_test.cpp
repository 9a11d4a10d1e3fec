// The C interface from several threads at once: channel calls at random on
// one set of channels while another thread closes the device under them and
// opens it again. Every call must return (no deadlock), fail only with the
// documented codes, and old handles must fail once the device is gone.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 100;
constexpr size_t kChannels = 8;

struct Shared {
    std::array<std::atomic<DWORD>, kChannels> handles{};
    std::atomic<bool> stop{false};
    std::atomic<long> calls{0};
    std::atomic<int> unexpected{0};
    std::atomic<int> lastUnexpected{0};
    std::string path;
};

// A callback that calls back into the library, as the program's does.
void onEnd(HSYNC, DWORD channel, DWORD, void*) {
    BASS_ChannelIsActive(channel);
    BASS_ChannelSetAttributes(channel, -1, 50, -101);
}

void check(Shared& s, bool ok) {
    s.calls.fetch_add(1);
    if (ok)
        return;
    static const std::set<int> documented = {BASS_ERROR_INIT, BASS_ERROR_HANDLE,
                                             BASS_ERROR_POSITION, BASS_ERROR_NOTAVAIL};
    const int code = BASS_ErrorGetCode();
    if (!documented.count(code)) {
        s.unexpected.fetch_add(1);
        s.lastUnexpected = code;
    }
}

void worker(Shared& s, unsigned seed) {
    std::mt19937 rng(seed);
    // One call each, at random; some change what the others see.
    const std::function<bool(size_t, DWORD)> calls[] = {
        [&](size_t, DWORD h) { return BASS_ChannelPlay(h, rng() % 2); },
        [&](size_t, DWORD h) { return BASS_ChannelStop(h); },
        [&](size_t, DWORD h) { return BASS_ChannelPause(h); },
        [&](size_t, DWORD h) { return BASS_ChannelSetPosition(h, (rng() % 4000) * 2); },
        [&](size_t, DWORD h) { return BASS_ChannelGetPosition(h) != static_cast<QWORD>(-1); },
        [&](size_t, DWORD h) {
            const BASS_3DVECTOR pos{float(rng() % 5) - 2.f, 0.f, 1.f};
            const bool ok = BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
            BASS_Apply3D();
            return ok;
        },
        [&](size_t, DWORD h) { return BASS_ChannelSetFlags(h, rng() % 2 ? 0xE : 0xA); },
        [&](size_t, DWORD h) { return BASS_ChannelSetSync(h, BASS_SYNC_END, 0, onEnd, nullptr); },
        [&](size_t, DWORD h) {
            const HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
            const BASS_REVERB_PARAMS p{0.f, -6.f, 800.f + float(rng() % 3) * 100.f, 0.2f};
            check(s, fx != 0);
            return fx && BASS_FXSetParameters(fx, &p);
        },
        [&](size_t i, DWORD) {
            // Replace the channel: free it while the others use its handle.
            const HSTREAM fresh = BASS_StreamCreateFile(0, s.path.c_str(), 0, 0, 0xE);
            check(s, fresh != 0);
            return BASS_StreamFree(s.handles[i].exchange(fresh)) != 0;
        },
        [&](size_t, DWORD h) {
            const DWORD state = BASS_ChannelIsActive(h);
            return state <= BASS_ACTIVE_PAUSED &&
                   (state != BASS_ACTIVE_STOPPED || BASS_ErrorGetCode() == BASS_OK);
        },
    };
    while (!s.stop) {
        const size_t i = rng() % kChannels;
        const size_t call = rng() % 12;
        check(s, calls[std::min(call, std::size(calls) - 1)](i, s.handles[i]));
    }
}

TEST(Concurrency, ChannelCallsRaceFreeAndInitWithoutDeadlock) {
    TempDir dir;
    Shared s;
    s.path = dir.file("tone.wav");
    ASSERT_TRUE(writeTone(s.path, {.seconds = 0.05}));
    ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();

    // The error code a call leaves that must fail (or be stopped); -1 if it did not.
    auto failure = [](long result) { return result ? -1 : BASS_ErrorGetCode(); };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(worker, std::ref(s), 1234u + static_cast<unsigned>(t));
    for (int round = 0; round < kRounds; ++round) {
        for (auto& h : s.handles)
            h = BASS_StreamCreateFile(0, s.path.c_str(), 0, 0, 0xE);
        const DWORD old = s.handles[0];
        // Let the workers reach into this round's channels, whatever the pace.
        const long from = s.calls;
        while (s.calls < from + 40)
            std::this_thread::yield();
        ASSERT_TRUE(BASS_Free()) << "round " << round << ": " << BASS_ErrorGetCode();
        EXPECT_EQ(failure(BASS_ChannelPlay(old, 0)), BASS_ERROR_INIT);
        EXPECT_EQ(failure(BASS_ChannelIsActive(old)), BASS_ERROR_INIT) << "stopped";
        ASSERT_TRUE(BASS_Init(1, 44100, BASS_DEVICE_3D, nullptr, nullptr))
            << "round " << round << ": " << BASS_ErrorGetCode();
        // A handle of the closed device names nothing on the new one.
        EXPECT_EQ(failure(BASS_ChannelStop(old)), BASS_ERROR_HANDLE);
        EXPECT_EQ(failure(BASS_ChannelIsActive(old)), BASS_ERROR_HANDLE) << "stopped";
    }
    s.stop = true;
    for (auto& t : threads)
        t.join();
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(s.unexpected, 0) << "last unexpected error code " << s.lastUnexpected;
    EXPECT_GT(s.calls, kRounds * 40);
}

} // namespace
