// Channel levels: the peak of what a channel has fed in the last fiftieth of
// a second. The peaks are taken while the decoded samples are bounded (no pass
// of their own) and published per queued buffer; the query projects the play
// position from the library's last look and reads them without a lock.
#include "internal.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace audiolib {

namespace {

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The writer's half of the sequence lock.
template <typename Body> void publish(LevelMeter& m, Body&& body) {
    const unsigned v = m.version.load(std::memory_order_relaxed);
    m.version.store(v + 1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    body();
    m.version.store(v + 2, std::memory_order_release);
}

uint16_t toLevel(float peak) {
    return static_cast<uint16_t>(std::lround(std::clamp(peak, 0.f, 1.f) * 32768.f));
}

} // namespace

void resetMeter(LevelMeter& m, int rate) {
    publish(m, [&] {
        for (auto& e : m.entries)
            e.frames.store(0, std::memory_order_relaxed);
        m.next.store(0, std::memory_order_relaxed);
        m.cursor.store(0, std::memory_order_relaxed);
        m.anchorNs.store(0, std::memory_order_relaxed);
        m.speed.store(0.f, std::memory_order_relaxed);
        m.rate.store(rate, std::memory_order_relaxed);
        m.gain.store(1.f, std::memory_order_relaxed);
    });
}

void meterQueued(Channel& ch, const QueuedBuffer& b, const Held&) {
    LevelMeter& m = ch.slot.meter;
    publish(m, [&] {
        const DWORD i = m.next.load(std::memory_order_relaxed);
        auto& e = m.entries[i % kLevelEntries];
        e.seq.store(b.seq, std::memory_order_relaxed);
        e.frames.store(static_cast<DWORD>(b.frames), std::memory_order_relaxed);
        e.left.store(b.peak[0], std::memory_order_relaxed);
        e.right.store(b.peak[1], std::memory_order_relaxed);
        m.next.store(i + 1, std::memory_order_relaxed);
    });
}

void meterFlushed(Channel& ch, const Held&) {
    LevelMeter& m = ch.slot.meter;
    publish(m, [&] {
        for (auto& e : m.entries)
            e.frames.store(0, std::memory_order_relaxed);
    });
}

void meterCursor(Channel& ch, const Held& lock) {
    meterCursorAt(ch, playCursor(ch, lock), lock);
}

void meterCursorAt(Channel& ch, QWORD cursor, const Held&) {
    auto& L = lib();
    // On the loopback device time is what has been rendered: no projection.
    float speed = 0.f;
    if (!L.loopback && !ch.queue.empty()) {
        ALint st = 0;
        alGetSourcei(ch.source, AL_SOURCE_STATE, &st);
        if (st == AL_PLAYING)
            speed = static_cast<float>(
                ch.freqAttr ? std::clamp(double(ch.freqAttr), 0.01 * ch.rate, 8.0 * ch.rate)
                            : double(ch.rate));
    }
    LevelMeter& m = ch.slot.meter;
    publish(m, [&] {
        m.cursor.store(cursor, std::memory_order_relaxed);
        m.anchorNs.store(nowNs(), std::memory_order_relaxed);
        m.speed.store(speed, std::memory_order_relaxed);
        m.rate.store(ch.rate, std::memory_order_relaxed);
    });
}

} // namespace audiolib

using namespace audiolib;

AUDIOLIB_API DWORD AUDIOLIB_ChannelGetLevel(DWORD handle) {
    return guarded<DWORD>(DWORD(-1), [&]() -> DWORD {
        auto& L = lib();
        if (!L.opened.load())
            return fail(BASS_ERROR_INIT, DWORD(-1));
        if (!isChannelHandle(handle))
            return fail(BASS_ERROR_HANDLE, DWORD(-1));
        const ChannelSlot& slot = L.slots[slotIndex(handle)];
        if (slot.handle.load() != handle)
            return fail(BASS_ERROR_HANDLE, DWORD(-1));
        // Paused, stopped or starved: it feeds nothing.
        if (slot.state.load() != BASS_ACTIVE_PLAYING)
            return 0;
        const LevelMeter& m = slot.meter;
        float left = 0.f, right = 0.f;
        for (;;) {
            const unsigned v = m.version.load(std::memory_order_acquire);
            if (v & 1u)
                continue;
            const double speed = m.speed.load(std::memory_order_relaxed);
            const double rate = m.rate.load(std::memory_order_relaxed);
            const double since =
                double(nowNs() - m.anchorNs.load(std::memory_order_relaxed)) * 1e-9;
            const QWORD anchor = m.cursor.load(std::memory_order_relaxed);
            QWORD end = 0;
            for (const auto& e : m.entries)
                if (const DWORD f = e.frames.load(std::memory_order_relaxed))
                    end = std::max(end, e.seq.load(std::memory_order_relaxed) + f);
            const QWORD cursor =
                std::min(end, anchor + static_cast<QWORD>(std::max(0.0, since * speed)));
            const QWORD window = static_cast<QWORD>(rate / 50);
            const QWORD from = cursor > window ? cursor - window : 0;
            left = right = 0.f;
            for (const auto& e : m.entries) {
                const DWORD f = e.frames.load(std::memory_order_relaxed);
                const QWORD seq = e.seq.load(std::memory_order_relaxed);
                if (f && seq <= cursor && seq + f > from) {
                    left = std::max(left, e.left.load(std::memory_order_relaxed));
                    right = std::max(right, e.right.load(std::memory_order_relaxed));
                }
            }
            const float gain = m.gain.load(std::memory_order_relaxed);
            left *= gain;
            right *= gain;
            std::atomic_thread_fence(std::memory_order_acquire);
            if (m.version.load(std::memory_order_relaxed) == v)
                break;
        }
        if (slot.handle.load() != handle)
            return fail(BASS_ERROR_HANDLE, DWORD(-1));
        return static_cast<DWORD>(toLevel(left)) | (static_cast<DWORD>(toLevel(right)) << 16);
    });
}
