// Feeding the OpenAL queues, noticing ends, and the library thread that does
// it for an output device and delivers end syncs.
#include "internal.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>
#include <pthread.h>

namespace audiolib {

namespace {

// An end played at position endAt of the play-out order concerns only the syncs
// set before it was played: one set a moment after the end went by (but before
// the thread noticed) must wait for the next end.
void queueEndSyncs(const Channel& ch, QWORD endAt, const Held&) {
    auto& L = lib();
    for (const auto& [handle, sync] : L.syncs)
        if (sync.channel == ch.handle && (sync.type & ~BASS_SYNC_ONETIME) == BASS_SYNC_END &&
            sync.armedAt <= endAt) {
            L.pending.push_back({handle, ch.handle});
            ++L.syncsQueued;
        }
}

// A played buffer's block, kept for the next decode (a few at most).
void keepSpare(Channel& ch, std::vector<float>&& data) {
    if (ch.spareData.size() < 2 * kBufferCount)
        ch.spareData.push_back(std::move(data));
}

bool isRunning(const Channel& ch) {
    const int s = ch.state;
    return s == BASS_ACTIVE_PLAYING || s == BASS_ACTIVE_STALLED;
}

// Reads frames as the channel plays them, bounded (every decoder's output
// passes here): more than two channels fold down to stereo. Returns 0 at the
// end of the data.
size_t readFrames(Channel& ch, float* out, size_t frames, float* peaks) {
    return readPlayedFrames(*ch.decoder, ch.fileChans, ch.chans, ch.scratch, out, frames, peaks);
}

// Decodes up to count buffers. An end that falls on a buffer boundary is
// marked on the buffer before it, so its sync fires when that one is played.
// The blocks come from the channel's spare ones (ch.dec held), so that
// streaming allocates nothing once every buffer has been through once.
std::vector<QueuedBuffer>& decodeBuffers(Channel& ch, size_t count) {
    std::vector<QueuedBuffer>& batch = ch.batch;
    batch.clear();
    const size_t want = bufferFrames(ch.rate);
    const size_t chans = static_cast<size_t>(ch.chans);
    while (batch.size() < count && !ch.atEnd) {
        QueuedBuffer b;
        if (!ch.spareData.empty()) {
            b.data = std::move(ch.spareData.back());
            ch.spareData.pop_back();
        }
        b.data.resize(want * chans);
        b.startPos = ch.decodePos;
        int emptyPasses = 0;
        while (b.frames < want) {
            const size_t n =
                readFrames(ch, b.data.data() + b.frames * chans, want - b.frames, b.peak);
            b.frames += n;
            ch.decodePos += n;
            if (n > 0) {
                emptyPasses = 0;
                continue;
            }
            // The end of the data.
            QueuedBuffer* carrier = &b;
            if (b.frames == 0)
                carrier = !batch.empty() ? &batch.back()
                                         : (!ch.queue.empty() ? &ch.queue.back() : nullptr);
            if (carrier && carrier->endAt < 0)
                carrier->endAt = static_cast<long>(carrier->frames);
            if (!carrier) {
                ch.endUnreported = true;
                ch.unreportedEndAt = ch.queuedTotal;
            }
            const bool loop = (ch.flags & BASS_SAMPLE_LOOP) != 0;
            // A file that yields nothing even from its start cannot loop.
            if (!loop || ++emptyPasses > 1 || !ch.decoder->rewind()) {
                ch.atEnd = true;
                break;
            }
            ch.decodePos = 0;
        }
        if (b.frames == 0) {
            keepSpare(ch, std::move(b.data));
            break;
        }
        b.data.resize(b.frames * chans);
        if (chans == 1)
            b.peak[1] = b.peak[0];
        batch.push_back(std::move(b));
    }
    return batch;
}

void balance(const Channel& ch, std::vector<float>& data) {
    if (ch.chans != 2 || ch.pan == 0)
        return;
    const float left = std::min(1.f, 1.f - static_cast<float>(ch.pan) / 100.f);
    const float right = std::min(1.f, 1.f + static_cast<float>(ch.pan) / 100.f);
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        data[i] *= left;
        data[i + 1] *= right;
    }
}

// The one place where every block of samples passes from the decoder to
// OpenAL's queue: whatever looks at what a channel plays looks here.
void upload(Channel& ch, std::vector<QueuedBuffer>& batch, bool applyBalance, const Held& lock) {
    const ALenum format = ch.chans == 1 ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
    for (auto& b : batch) {
        if (ch.freeBuffers.empty()) {
            keepSpare(ch, std::move(b.data));
            continue;
        }
        if (applyBalance)
            balance(ch, b.data);
        b.name = ch.freeBuffers.back();
        ch.freeBuffers.pop_back();
        b.seq = ch.queuedTotal;
        ch.queuedTotal += b.frames;
        alBufferData(b.name, format, b.data.data(),
                     static_cast<ALsizei>(b.data.size() * sizeof(float)), ch.rate);
        alSourceQueueBuffers(ch.source, 1, &b.name);
        meterQueued(ch, b, lock);
        ch.queue.push_back(std::move(b));
    }
    batch.clear();
    if (isRunning(ch) && !ch.queue.empty()) {
        ALint st = 0;
        alGetSourcei(ch.source, AL_SOURCE_STATE, &st);
        if (st != AL_PLAYING)
            alSourcePlay(ch.source);
        ch.state = BASS_ACTIVE_PLAYING;
        meterCursor(ch, lock);
    }
}

// A loop flag set again after the decoder stopped at the end: go on from the
// start, right after what is queued.
void resumeLoop(Channel& ch) {
    if (ch.atEnd && !ch.ended && (ch.flags & BASS_SAMPLE_LOOP) && ch.decoder->rewind()) {
        ch.atEnd = false;
        ch.decodePos = 0;
    }
}

} // namespace

size_t readPlayedFrames(Decoder& decoder, int fileChans, int chans, std::vector<float>& scratch,
                        float* out, size_t frames, float* peaks) {
    if (fileChans == chans) {
        const size_t got = decoder.read(out, frames);
        boundSamples(out, got * static_cast<size_t>(chans), static_cast<size_t>(chans), peaks);
        return got;
    }
    const size_t fc = static_cast<size_t>(fileChans);
    scratch.resize(frames * fc);
    const size_t got = decoder.read(scratch.data(), frames);
    boundSamples(scratch.data(), got * fc);
    for (size_t i = 0; i < got; ++i) {
        float l = 0.f, r = 0.f;
        for (size_t c = 0; c < fc; ++c)
            (c % 2 ? r : l) += scratch[i * fc + c];
        out[i * 2] = l / static_cast<float>((fc + 1) / 2);
        out[i * 2 + 1] = r / static_cast<float>(fc / 2);
        if (peaks) {
            peaks[0] = std::max(peaks[0], std::fabs(out[i * 2]));
            peaks[1] = std::max(peaks[1], std::fabs(out[i * 2 + 1]));
        }
    }
    return got;
}

void reapChannel(Channel& ch, const Held& lock) {
    ALint processed = 0;
    alGetSourcei(ch.source, AL_BUFFERS_PROCESSED, &processed);
    for (ALint i = 0; i < processed && !ch.queue.empty(); ++i) {
        QueuedBuffer& b = ch.queue.front();
        alSourceUnqueueBuffers(ch.source, 1, &b.name);
        ch.freeBuffers.push_back(b.name);
        const bool end = b.endAt >= 0;
        const QWORD endAt = b.seq + static_cast<QWORD>(std::max(b.endAt, 0L));
        keepSpare(ch, std::move(b.data));
        ch.queue.pop_front();
        if (end && !(ch.atEnd && ch.queue.empty())) {
            queueEndSyncs(ch, endAt, lock); // a looping channel passed its end
        } else if (end) {
            ch.endUnreported = true; // reported below, once the state says stopped
            ch.unreportedEndAt = endAt;
        }
    }
    meterCursor(ch, lock);
    if (!isRunning(ch))
        return;
    ALint st = 0;
    alGetSourcei(ch.source, AL_SOURCE_STATE, &st);
    if (st == AL_PLAYING)
        return;
    if (ch.queue.empty() && ch.atEnd) {
        ch.state = BASS_ACTIVE_STOPPED;
        ch.ended = true;
        if (ch.endUnreported)
            queueEndSyncs(ch, ch.unreportedEndAt, lock);
        ch.endUnreported = false;
        updateEffectActivity(lock);
    } else if (!ch.queue.empty()) {
        alSourcePlay(ch.source); // ran dry: go on with what has arrived
        ch.state = BASS_ACTIVE_PLAYING;
    } else {
        ch.state = BASS_ACTIVE_STALLED;
    }
}

void topUpChannel(Channel& ch) {
    auto& L = lib();
    size_t need = 0;
    {
        Held lock(L.mx);
        if (!ch.alive)
            return;
        reapChannel(ch, lock);
        if (!isRunning(ch))
            return;
        resumeLoop(ch);
        need = kBufferCount - std::min<size_t>(kBufferCount, ch.queue.size());
        if (need == 0 || ch.atEnd)
            return;
    }
    auto& batch = decodeBuffers(ch, need);
    Held lock(L.mx);
    if (ch.alive)
        upload(ch, batch, true, lock);
}

void topUpChannelLocked(Channel& ch, const Held& lock) {
    resumeLoop(ch);
    const size_t need = kBufferCount - std::min<size_t>(kBufferCount, ch.queue.size());
    if (need == 0 || ch.atEnd)
        return;
    auto& batch = decodeBuffers(ch, need);
    upload(ch, batch, true, lock);
}

void flushChannel(Channel& ch, const Held& lock) {
    alSourceStop(ch.source);
    for (auto& b : ch.queue) {
        alSourceUnqueueBuffers(ch.source, 1, &b.name);
        ch.freeBuffers.push_back(b.name);
        keepSpare(ch, std::move(b.data));
    }
    ch.queue.clear();
    meterFlushed(ch, lock);
    alSourceRewind(ch.source);
    ch.endUnreported = false;
}

QWORD playCursor(Channel& ch, const Held&) {
    if (ch.queue.empty())
        return ch.queuedTotal;
    ALint offset = 0;
    alGetSourcei(ch.source, AL_SAMPLE_OFFSET, &offset);
    return ch.queue.front().seq + static_cast<QWORD>(std::max<ALint>(offset, 0));
}

void cutQueueAtEnd(Channel& ch, const Held& lock) {
    ALint offset = 0;
    alGetSourcei(ch.source, AL_SAMPLE_OFFSET, &offset);
    // Find the first end still ahead of the play position.
    size_t bufStart = 0, cutBuf = ch.queue.size(), playBuf = ch.queue.size();
    size_t playOffset = 0;
    for (size_t i = 0; i < ch.queue.size(); ++i) {
        const auto& b = ch.queue[i];
        const size_t at = static_cast<size_t>(std::max<ALint>(offset, 0));
        if (playBuf == ch.queue.size() && at < bufStart + b.frames) {
            playBuf = i;
            playOffset = at - std::min(at, bufStart);
        }
        if (playBuf <= i && b.endAt >= 0 &&
            (i > playBuf || static_cast<size_t>(b.endAt) >= playOffset)) {
            cutBuf = i;
            break;
        }
        bufStart += b.frames;
    }
    if (cutBuf == ch.queue.size())
        return; // no end ahead in the queue: the decoder will stop at the next one
    const auto& cut = ch.queue[cutBuf];
    if (cutBuf + 1 == ch.queue.size() && static_cast<size_t>(cut.endAt) == cut.frames)
        return; // nothing past the end is queued
    std::vector<QueuedBuffer> pieces;
    const size_t chans = static_cast<size_t>(ch.chans);
    for (size_t i = playBuf; i <= cutBuf; ++i) {
        const auto& b = ch.queue[i];
        const size_t from = i == playBuf ? playOffset : 0;
        const size_t to = i == cutBuf ? static_cast<size_t>(b.endAt) : b.frames;
        if (to <= from)
            continue;
        QueuedBuffer p;
        p.frames = to - from;
        p.startPos = b.startPos + from;
        p.data.assign(b.data.begin() + static_cast<long>(from * chans),
                      b.data.begin() + static_cast<long>(to * chans));
        pieces.push_back(std::move(p));
    }
    const QWORD cursor = playCursor(ch, lock);
    flushChannel(ch, lock);
    ch.atEnd = true;
    if (pieces.empty()) {
        ch.endUnreported = true;
        ch.unreportedEndAt = cursor;
    } else
        pieces.back().endAt = static_cast<long>(pieces.back().frames);
    // upload() restarts the source only if the channel is playing.
    upload(ch, pieces, false, lock);
}

void planLoopbackLook(Channel& ch, DWORD maxBlock, const Held& lock) {
    auto& L = lib();
    Channel::LookPlan& plan = ch.look;
    plan.valid = false;
    const bool moving =
        L.dopplerFactor > 0.f && (ch.vel.x != 0.f || ch.vel.y != 0.f || ch.vel.z != 0.f);
    if (!isRunning(ch) || ch.atEnd || ch.queue.empty() || moving || L.freq <= 0)
        return;
    const double pitch = ch.freqAttr ? std::clamp(double(ch.freqAttr) / ch.rate, 0.01, 8.0) : 1.0;
    plan.step = pitch * ch.rate / L.freq;
    plan.cursor = playCursor(ch, lock);
    plan.from = L.renderedFrames;
    plan.queuedTotal = ch.queuedTotal;
    plan.buffers = ch.queue.size();
    plan.freqAttr = ch.freqAttr;
    // Rendered frames until a quarter of the queue is left (six buffers are
    // then decoded in a row, the decoder warm after the first), less one block:
    // a look comes at the latest one block after it is due.
    const double ahead = double(ch.queuedTotal - std::min(plan.cursor, ch.queuedTotal));
    const double low = double(kBufferCount * bufferFrames(ch.rate)) / 4;
    double due = (ahead - low) / plan.step - maxBlock;
    // An end syncs when its buffer has played: look right then, as when
    // every block was a look.
    for (const QueuedBuffer& b : ch.queue)
        if (b.endAt >= 0) {
            const QWORD played = b.seq + b.frames;
            due = std::min(due, double(played - std::min(played, plan.cursor)) / plan.step);
            break;
        }
    if (due < 1)
        return;
    plan.at = plan.from + static_cast<QWORD>(due);
    plan.valid = true;
}

bool loopbackLookDue(const Channel& ch, const Held&) {
    const Channel::LookPlan& plan = ch.look;
    return !plan.valid || lib().renderedFrames >= plan.at || ch.atEnd ||
           ch.queuedTotal != plan.queuedTotal || ch.queue.size() != plan.buffers ||
           ch.freqAttr != plan.freqAttr;
}

void meterPlannedCursor(Channel& ch, const Held& lock) {
    const Channel::LookPlan& plan = ch.look;
    const double played = double(lib().renderedFrames - plan.from) * plan.step;
    meterCursorAt(ch, std::min(ch.queuedTotal, plan.cursor + static_cast<QWORD>(played)), lock);
}

void kickThread(const Held&) {
    lib().kick = true;
    lib().wake.notify_all();
}

void deliverSyncs() {
    auto& L = lib();
    std::lock_guard cb(L.callbackMx);
    for (;;) {
        SYNCPROC* proc = nullptr;
        void* user = nullptr;
        PendingSync p{};
        {
            std::lock_guard lock(L.mx);
            if (L.pending.empty())
                return;
            p = L.pending.front();
            L.pending.pop_front();
            auto it = L.syncs.find(p.sync);
            if (it == L.syncs.end()) {
                ++L.syncsHandled;
                continue; // freed, or a one-shot that already ran
            }
            proc = it->second.proc;
            user = it->second.user;
            if (it->second.type & BASS_SYNC_ONETIME)
                L.syncs.erase(it);
        }
        proc(p.sync, p.channel, 0, user);
        std::lock_guard lock(L.mx);
        ++L.syncsHandled;
    }
}

namespace {

// When the thread must look again at the channels it feeds: when the first
// queue has played down to half (leaving the other half's time to decode), or
// when a channel's last sample has played (to report its end). Nothing when
// none of them runs: then only a new task wakes the thread. mx held.
std::optional<std::chrono::microseconds> nextLook(const std::vector<std::shared_ptr<Channel>>& fed,
                                                  const Held& lock) {
    std::optional<double> soonest; // seconds from now
    for (const auto& ch : fed) {
        if (!ch->alive || !isRunning(*ch))
            continue;
        const double speed =
            ch->freqAttr ? std::clamp(double(ch->freqAttr) / ch->rate, 0.01, 8.0) : 1.0;
        const double ahead = double(ch->queuedTotal - playCursor(*ch, lock));
        const double low = ch->atEnd ? 0.0 : double(kBufferCount * bufferFrames(ch->rate)) / 2;
        const double due = (ahead - low) / (ch->rate * speed);
        soonest = std::min(soonest.value_or(due), due);
    }
    if (!soonest)
        return std::nullopt;
    return std::chrono::microseconds(std::lround(std::clamp(*soonest, 0.003, 0.1) * 1e6));
}

// One look at the channels the thread feeds. Out of memory skips this look:
// the channels run dry and stall, and the next look tries again.
void feed(const std::vector<std::shared_ptr<Channel>>& fed) {
    for (auto& ch : fed) {
        std::lock_guard dec(ch->dec);
        try {
            topUpChannel(*ch);
        } catch (const std::exception&) {
        }
    }
}

void threadMain() {
    auto& L = lib();
    std::vector<std::shared_ptr<Channel>> fed;
    Held lock(L.mx); // waits until startThread has published the id
    for (;;) {
        fed.clear();
        try {
            if (!L.loopback) // there AUDIOLIB_Render feeds the channels
                for (auto& [handle, ch] : L.channels)
                    if (isRunning(*ch))
                        fed.push_back(ch);
        } catch (const std::bad_alloc&) {
        }
        L.kick = false;
        ++L.looks;
        lock.unlock();
        feed(fed);
        try {
            deliverSyncs();
        } catch (const std::exception&) {
        }
        lock.lock();
        if (const auto rest = untilRest(lock); rest && rest->count() <= 0)
            restEffects(lock);
        const auto ready = [&] { return L.quit || L.kick || !L.pending.empty(); };
        const auto wait = nextLook(fed, lock);
        const auto rest = untilRest(lock);
        // Asleep with nothing to feed: only a new task, or the effects' rest
        // after their ring-out, wakes it.
        L.waiting = !wait;
        if (wait && rest)
            L.wake.wait_for(lock, std::min<std::chrono::steady_clock::duration>(*wait, *rest),
                            ready);
        else if (wait)
            L.wake.wait_for(lock, *wait, ready);
        else if (rest)
            L.wake.wait_for(lock, *rest, ready);
        else
            L.wake.wait(lock, ready);
        L.waiting = false;
        if (L.quit)
            return;
    }
}

} // namespace

void startThread() {
    auto& L = lib();
    Held lock(L.mx);
    L.quit = false;
    L.kick = false;
    L.looks = 0;
    L.syncsQueued = L.syncsHandled = 0;
    L.waiting = false;
    // The thread works for the instance that started it (a lane's or the
    // library's own), with its context, which a lane has on its threads only.
    L.thread = std::thread([&L] {
        bindThread(&L);
        if (onLane())
            alcSetThreadContext(L.context);
        threadMain();
        if (onLane())
            alcSetThreadContext(nullptr);
    });
    L.threadId = L.thread.get_id();
    // Shows in a debugger and in top -H (at most 15 characters).
    pthread_setname_np(L.thread.native_handle(), "audiolib-stream");
}

void stopThread() {
    auto& L = lib();
    {
        std::lock_guard lock(L.mx);
        L.quit = true;
    }
    L.wake.notify_all();
    if (L.thread.joinable())
        L.thread.join();
    L.threadId = std::thread::id();
}

} // namespace audiolib
