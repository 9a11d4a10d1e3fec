// Streams, modules and the calls that control a channel.
#include "SpaceAxes.h"
#include "error.h"
#include "internal.h"

#include <algorithm>
#include <cmath>

namespace audiolib {

namespace {

constexpr float kPi = 3.14159265358979f;

// Looks up a channel for a call that needs only the tables (lock holds mx).
#define LOOKUP_OR_FAIL(ch, handle, lock, result)                                                   \
    if (!L.open())                                                                                 \
        return fail(BASS_ERROR_INIT, result);                                                      \
    auto ch = isChannelHandle(handle) ? findChannel(handle, lock) : nullptr;                       \
    if (!ch)                                                                                       \
        return fail(BASS_ERROR_HANDLE, result);

// Holds a channel's dec and the library lock, in that order. The library lock
// may be let go (dec kept) to decode, and taken again.
class ChannelLock {
public:
    explicit ChannelLock(DWORD handle) {
        auto& L = lib();
        {
            Held lock(L.mx);
            if (!L.open()) {
                setError(BASS_ERROR_INIT);
                return;
            }
            ch_ = isChannelHandle(handle) ? findChannel(handle, lock) : nullptr;
            if (!ch_) {
                setError(BASS_ERROR_HANDLE);
                return;
            }
        }
        dec_ = std::unique_lock(ch_->dec);
        lock_ = Held(L.mx);
        check();
    }
    explicit operator bool() const { return ok_; }
    Channel* operator->() const { return ch_.get(); }
    Channel& operator*() const { return *ch_; }
    const Held& held() const { return lock_; }

    // Lets the library lock go; the channel's dec stays held, so neither the
    // streaming thread nor the renderer touches the channel meanwhile.
    void releaseLibrary() { lock_.unlock(); }
    // Takes it again. False (error set) when the channel was freed or the
    // device closed meanwhile.
    bool retakeLibrary() {
        lock_.lock();
        return check();
    }

private:
    // The channel is kept (not reset) even when it failed: its dec is still
    // held and is let go only in the destructor, before the channel.
    bool check() {
        ok_ = ch_->alive && lib().open();
        if (!ok_)
            setError(lib().open() ? BASS_ERROR_HANDLE : BASS_ERROR_INIT);
        return ok_;
    }

    bool ok_ = false;
    std::shared_ptr<Channel> ch_; // destroyed last
    std::unique_lock<std::mutex> dec_;
    Held lock_;
};

bool deviceOpen() {
    auto& L = lib();
    std::lock_guard lock(L.mx);
    return L.open();
}

// Back to the first frame, nothing queued. The rewind itself is the caller's:
// it seeks in the file, outside the library lock.
void resetChannel(Channel& ch, const Held& lock) {
    flushChannel(ch, lock);
    ch.decodePos = 0;
    ch.atEnd = false;
    ch.ended = false;
}

// Seeks the decoder to frame `to`, dec held and mx not: skipping decodes.
bool seekDecoder(Channel& ch, QWORD to) {
    if (!ch.decoder->rewind())
        return false;
    std::vector<float> discard(4096 * static_cast<size_t>(ch.fileChans));
    while (to > 0) {
        const size_t n = ch.decoder->read(discard.data(), std::min<QWORD>(to, 4096));
        if (n == 0) {
            ch.decoder->rewind();
            ch.decodePos = 0;
            return false;
        }
        to -= n;
        ch.decodePos += n;
    }
    return true;
}

// Fills a running channel's queue the way the streaming thread does: decoded
// with dec alone, queued under the library lock. False when the channel went
// away meanwhile.
bool fillOutsideLock(ChannelLock& ch) {
    ch.releaseLibrary();
    topUpChannel(*ch);
    return ch.retakeLibrary();
}

DWORD addChannel(std::unique_ptr<Decoder> decoder, DWORD flags, bool music,
                 const std::string& path) {
    auto& L = lib();
    Held lock(L.mx);
    if (!L.open())
        return fail(BASS_ERROR_INIT, 0u);
    const DWORD handle = claimChannelHandle(music ? Kind::Music : Kind::Stream, lock);
    if (!handle)
        return fail(BASS_ERROR_MEMORY, 0u);
    std::shared_ptr<Channel> ch;
    try {
        ch = std::make_shared<Channel>(L.slots[slotIndex(handle)]);
        ch->handle = handle;
        enterChannel(ch, lock);
    } catch (...) {
        removeChannel(handle, lock);
        if (ch)
            recycleSlot(*ch, lock);
        else
            recycleSlotIndex(slotIndex(handle), lock);
        throw;
    }
    ch->music = music;
    ch->path = path;
    ch->epoch = L.epoch;
    ch->rate = decoder->rate();
    ch->fileChans = decoder->channels();
    ch->chans = std::min(ch->fileChans, 2);
    ch->flags = flags & (BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D |
                         (music ? BASS_MUSIC_RAMP : 0));
    ch->decoder = std::move(decoder);
    const auto dropChannel = [&] {
        removeChannel(handle, lock);
        ch->alive = false;
        recycleSlot(*ch, lock);
    };
    alGetError();
    alGenSources(1, &ch->source);
    if (alGetError() != AL_NO_ERROR) {
        dropChannel();
        return fail(BASS_ERROR_MEMORY, 0u);
    }
    ch->freeBuffers.resize(kBufferCount);
    alGenBuffers(kBufferCount, ch->freeBuffers.data());
    if (alGetError() != AL_NO_ERROR) {
        ch->freeBuffers.clear();
        alDeleteSources(1, &ch->source);
        dropChannel();
        return fail(BASS_ERROR_MEMORY, 0u);
    }
    alSourcef(ch->source, AL_REFERENCE_DISTANCE, 1.f);
    alSourcei(ch->source, AL_LOOPING, AL_FALSE);
    attachSends(*ch, lock);
    applySourceSpace(*ch, lock);
    ch->slot.handle.store(handle); // from now on the state query knows it
    setError(BASS_OK);
    return handle;
}

BOOL freeChannel(DWORD handle, Kind kind) {
    auto& L = lib();
    std::shared_ptr<Channel> ch;
    {
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (handle == 0 || kindOf(handle) != kind || !(ch = findChannel(handle, lock)))
            return fail(BASS_ERROR_HANDLE, 0);
        removeChannel(handle, lock);
        unpublishChannel(*ch, lock);
        for (auto it = L.syncs.begin(); it != L.syncs.end();)
            it = it->second.channel == handle ? L.syncs.erase(it) : std::next(it);
        if (ch->fxHandle)
            L.fx.erase(ch->fxHandle);
        updateEffectActivity(lock);
        kickThread(lock); // it need not wake again for this channel
    }
    // A callback of this channel may be running: wait until it returns, so none
    // runs after we do. (On the library thread it is the caller itself.)
    if (std::this_thread::get_id() != L.threadId.load()) {
        std::lock_guard cb(L.callbackMx);
    }
    std::lock_guard dec(ch->dec);
    {
        Held lock(L.mx);
        // A device closed meanwhile took the channel's OpenAL objects with it.
        if (ch->alive && L.device && ch->epoch == L.epoch)
            destroyChannelAl(*ch, lock);
        if (ch->alive)
            recycleSlot(*ch, lock);
        ch->alive = false;
    }
    ch->decoder.reset(); // closes the file outside the library lock
    return 1;
}

float clampf(float v, float lo, float hi) {
    return std::max(lo, std::min(hi, v));
}

} // namespace

namespace {

BASS_3DVECTOR vec(const axes::Triple<float>& t) {
    return {t[0], t[1], t[2]};
}

bool sameVector(const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

void setFloat(ALuint s, ALenum param, float v, float& applied, bool valid) {
    if (!valid || applied != v)
        alSourcef(s, param, v);
    applied = v;
}

void setInt(ALuint s, ALenum param, ALint v, ALint& applied, bool valid) {
    if (!valid || applied != v)
        alSourcei(s, param, v);
    applied = v;
}

void setVector(ALuint s, ALenum param, BASS_3DVECTOR v, BASS_3DVECTOR& applied, bool valid) {
    if (!valid || !sameVector(applied, v))
        alSource3f(s, param, v.x, v.y, v.z);
    applied = v;
}

float pitchOf(const Channel& ch) {
    return ch.freqAttr
               ? clampf(static_cast<float>(ch.freqAttr) / static_cast<float>(ch.rate), 0.01f, 8.f)
               : 1.f;
}

} // namespace

void applyGainPitch(Channel& ch, const Held&) {
    AppliedSpace& a = ch.applied;
    setFloat(ch.source, AL_GAIN, static_cast<float>(ch.volume) / 100.f, a.gain, a.valid);
    setFloat(ch.source, AL_PITCH, pitchOf(ch), a.pitch, a.valid);
}

void applySourceSpace(Channel& ch, const Held& lock) {
    auto& L = lib();
    const ALuint s = ch.source;
    AppliedSpace& a = ch.applied;
    const bool valid = a.valid;
    applyGainPitch(ch, lock);
    if (L.efx)
        setInt(s, AL_DIRECT_FILTER,
               static_cast<ALint>(L.directPath ? AL_FILTER_NULL : L.mutedDirect), a.directFilter,
               valid);
    if (ch.flags & BASS_SAMPLE_3D) {
        const float d = L.distFactor;
        setInt(s, AL_SOURCE_RELATIVE, AL_FALSE, a.relative, valid);
        setVector(s, AL_POSITION,
                  vec(axes::OpenAlFromProgram(ch.pos.x * d, ch.pos.y * d, ch.pos.z * d)), a.pos,
                  valid);
        setVector(s, AL_VELOCITY,
                  vec(axes::OpenAlFromProgram(ch.vel.x * d, ch.vel.y * d, ch.vel.z * d)), a.vel,
                  valid);
        setVector(s, AL_DIRECTION,
                  vec(axes::OpenAlFromProgram(ch.orient.x, ch.orient.y, ch.orient.z)), a.dir,
                  valid);
        setFloat(s, AL_ROLLOFF_FACTOR, L.rollFactor, a.rolloff, valid);
    } else if (ch.chans == 1) {
        // An unpositioned mono channel sits on a half circle in front of the
        // listener, at the angle its pan names.
        const float angle = static_cast<float>(ch.pan) / 100.f * kPi / 2.f;
        setInt(s, AL_SOURCE_RELATIVE, AL_TRUE, a.relative, valid);
        setVector(s, AL_POSITION,
                  vec(axes::OpenAlFromProgram(std::sin(angle), 0.f, std::cos(angle))), a.pos,
                  valid);
        setFloat(s, AL_ROLLOFF_FACTOR, 0.f, a.rolloff, valid);
    } else {
        // Stereo plays straight to the speakers; the pan is a balance applied
        // as the samples are queued.
        setInt(s, AL_SOURCE_RELATIVE, AL_TRUE, a.relative, valid);
        setVector(s, AL_POSITION, {0.f, 0.f, 0.f}, a.pos, valid);
        setFloat(s, AL_ROLLOFF_FACTOR, 0.f, a.rolloff, valid);
        setInt(s, AL_DIRECT_CHANNELS_SOFT, AL_TRUE, a.directChannels, valid);
    }
    a.valid = true;
}

void destroyChannelAl(Channel& ch, const Held& lock) {
    flushChannel(ch, lock);
    alSourcei(ch.source, AL_BUFFER, 0);
    destroyChannelFx(ch, lock);
    alDeleteSources(1, &ch.source);
    alDeleteBuffers(static_cast<ALsizei>(ch.freeBuffers.size()), ch.freeBuffers.data());
    ch.freeBuffers.clear();
    ch.source = 0;
}

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length,
                                           DWORD flags) {
    return guarded<HSTREAM>(0, [&]() -> HSTREAM {
        if (!deviceOpen())
            return fail(BASS_ERROR_INIT, 0u);
        if (!file)
            return fail(BASS_ERROR_ILLPARAM, 0u);
        if (mem || offset != 0 || length != 0)
            return fail(BASS_ERROR_NOTAVAIL, 0u);
        // Decoders open outside the library lock: the streaming thread goes on.
        auto decoder =
            openStreamDecoder(static_cast<const char*>(file), (flags & BASS_SAMPLE_MONO) != 0);
        if (!decoder)
            return 0;
        if ((flags & BASS_SAMPLE_3D) && decoder->channels() != 1)
            return fail(BASS_ERROR_NO3D, 0u);
        return addChannel(std::move(decoder), flags, false, static_cast<const char*>(file));
    });
}

AUDIOLIB_API BOOL BASS_StreamFree(HSTREAM handle) {
    return guarded<BOOL>(0, [&] { return freeChannel(handle, Kind::Stream); });
}

AUDIOLIB_API HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length,
                                   DWORD flags, DWORD) {
    return guarded<HMUSIC>(0, [&]() -> HMUSIC {
        int rate = 0;
        {
            auto& L = lib();
            std::lock_guard lock(L.mx);
            if (!L.open())
                return fail(BASS_ERROR_INIT, 0u);
            rate = L.freq;
        }
        if (!file)
            return fail(BASS_ERROR_ILLPARAM, 0u);
        if (mem || offset != 0 || length != 0)
            return fail(BASS_ERROR_NOTAVAIL, 0u);
        const std::string path = static_cast<const char*>(file);
        if (!checkFile(path))
            return 0;
        int error = BASS_ERROR_FORMAT;
        auto decoder = openModule(path, rate, (flags & BASS_SAMPLE_3D) != 0,
                                  (flags & BASS_MUSIC_RAMP) != 0, error);
        if (!decoder)
            return fail(error, 0u);
        return addChannel(std::move(decoder), flags, true, path);
    });
}

AUDIOLIB_API BOOL BASS_MusicFree(HMUSIC handle) {
    return guarded<BOOL>(0, [&] { return freeChannel(handle, Kind::Music); });
}

AUDIOLIB_API BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        ChannelLock ch(handle);
        if (!ch)
            return 0;
        reapChannel(*ch, ch.held());
        // A channel that played to its end starts again from the beginning.
        const bool rewind = restart || ch->ended;
        if (!rewind && (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED))
            return 1;
        if (rewind) {
            resetChannel(*ch, ch.held());
            ch.releaseLibrary();
            const bool ok = ch->decoder->rewind();
            if (!ch.retakeLibrary())
                return 0;
            if (!ok)
                return fail(BASS_ERROR_POSITION, 0);
        }
        ch->state = BASS_ACTIVE_PLAYING;
        updateEffectActivity(ch.held());
        if (!fillOutsideLock(ch))
            return 0;
        // BASS_Stop may have paused it meanwhile.
        if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) {
            ALint st = 0;
            alGetSourcei(ch->source, AL_SOURCE_STATE, &st);
            if (st != AL_PLAYING && !ch->queue.empty())
                alSourcePlay(ch->source);
        }
        kickThread(ch.held());
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelStop(DWORD handle) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        ChannelLock ch(handle);
        if (!ch)
            return 0;
        // Pausing the source keeps what is queued: a later Play goes on from here.
        alSourcePause(ch->source);
        ch->state = BASS_ACTIVE_STOPPED;
        updateEffectActivity(ch.held());
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelPause(DWORD handle) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        ChannelLock ch(handle);
        if (!ch)
            return 0;
        if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) {
            alSourcePause(ch->source);
            ch->state = BASS_ACTIVE_PAUSED;
            updateEffectActivity(ch.held());
        }
        return 1;
    });
}

AUDIOLIB_API DWORD BASS_ChannelIsActive(DWORD handle) {
    // No lock: the slot's handle says whether the state read between two
    // looks at it belongs to this channel.
    return guarded<DWORD>(BASS_ACTIVE_STOPPED, [&]() -> DWORD {
        auto& L = lib();
        if (!L.opened.load())
            return fail(BASS_ERROR_INIT, DWORD(BASS_ACTIVE_STOPPED));
        if (!isChannelHandle(handle))
            return fail(BASS_ERROR_HANDLE, DWORD(BASS_ACTIVE_STOPPED));
        const ChannelSlot& slot = L.slots[slotIndex(handle)];
        if (slot.handle.load() != handle)
            return fail(BASS_ERROR_HANDLE, DWORD(BASS_ACTIVE_STOPPED));
        const int state = slot.state.load();
        if (slot.handle.load() != handle)
            return fail(BASS_ERROR_HANDLE, DWORD(BASS_ACTIVE_STOPPED));
        return static_cast<DWORD>(state);
    });
}

AUDIOLIB_API BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        LOOKUP_OR_FAIL(ch, handle, lock, 0);
        if (!info)
            return fail(BASS_ERROR_ILLPARAM, 0);
        info->freq = static_cast<DWORD>(ch->rate);
        info->chans = static_cast<DWORD>(ch->chans);
        info->flags = ch->flags | (ch->music ? BASS_STREAM_MUSIC : 0);
        info->ctype = ch->music ? 2 : 1;
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelSetFlags(DWORD handle, DWORD flags) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        ChannelLock ch(handle);
        if (!ch)
            return 0;
        const DWORD old = ch->flags;
        ch->flags = (old & ~DWORD(BASS_SAMPLE_LOOP)) | (flags & BASS_SAMPLE_LOOP);
        if ((old & BASS_SAMPLE_LOOP) && !(flags & BASS_SAMPLE_LOOP)) {
            // Buffers past the loop point may be queued already: drop them so the
            // channel stops at this pass's end.
            reapChannel(*ch, ch.held());
            cutQueueAtEnd(*ch, ch.held());
        }
        kickThread(ch.held()); // a loop set again near the end needs decoding now
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        ChannelLock ch(handle);
        if (!ch)
            return 0;
        const QWORD frameBytes = static_cast<QWORD>(ch->chans) * 2;
        resetChannel(*ch, ch.held());
        // Seeking decodes: with dec alone, as the streaming thread decodes.
        ch.releaseLibrary();
        const bool ok = seekDecoder(*ch, pos / frameBytes);
        if (!ch.retakeLibrary())
            return 0;
        if (!ok)
            return fail(BASS_ERROR_POSITION, 0);
        if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) {
            if (!fillOutsideLock(ch))
                return 0;
            kickThread(ch.held());
        }
        return 1;
    });
}

AUDIOLIB_API QWORD BASS_ChannelGetPosition(DWORD handle) {
    return guarded<QWORD>(static_cast<QWORD>(-1), [&]() -> QWORD {
        ChannelLock ch(handle);
        if (!ch)
            return static_cast<QWORD>(-1);
        QWORD frames = ch->decodePos;
        if (!ch->queue.empty()) {
            ALint offset = 0;
            alGetSourcei(ch->source, AL_SAMPLE_OFFSET, &offset);
            size_t at = static_cast<size_t>(std::max<ALint>(offset, 0));
            for (const auto& b : ch->queue) {
                if (at < b.frames) {
                    frames = b.endAt >= 0 && at >= static_cast<size_t>(b.endAt)
                                 ? at - static_cast<size_t>(b.endAt)
                                 : b.startPos + at;
                    break;
                }
                at -= b.frames;
            }
        }
        return frames * static_cast<QWORD>(ch->chans) * 2;
    });
}

AUDIOLIB_API BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        LOOKUP_OR_FAIL(ch, handle, lock, 0);
        // Only -1 (frequency, volume) and -101 (pan) mean "unchanged"; anything
        // else out of range is clamped. A far-away stereo source is handed a
        // negative volume and must fall silent, not keep its last level.
        if (freq != -1)
            ch->freqAttr = freq == 0 ? 0 : static_cast<DWORD>(std::clamp(freq, 100, 192000));
        if (volume != -1)
            ch->volume = static_cast<DWORD>(std::clamp(volume, 0, 100));
        ch->slot.meter.gain.store(static_cast<float>(ch->volume) / 100.f);
        if (pan != -101)
            ch->pan = std::clamp(pan, -100, 100);
        // Gain, pitch and the unpositioned placement apply now; a 3D position
        // waits for BASS_Apply3D, so it is left as OpenAL has it.
        if (ch->flags & BASS_SAMPLE_3D) {
            applyGainPitch(*ch, lock);
        } else {
            applySourceSpace(*ch, lock);
        }
        if (freq != -1)
            kickThread(lock); // a faster rate drains the queue sooner than the thread planned
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        LOOKUP_OR_FAIL(ch, handle, lock, 0);
        if (freq)
            *freq = ch->freqAttr ? ch->freqAttr : static_cast<DWORD>(ch->rate);
        if (volume)
            *volume = ch->volume;
        if (pan)
            *pan = ch->pan;
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos,
                                            const BASS_3DVECTOR* orient, const BASS_3DVECTOR* vel) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        LOOKUP_OR_FAIL(ch, handle, lock, 0);
        if (!(ch->flags & BASS_SAMPLE_3D))
            return fail(BASS_ERROR_NO3D, 0);
        if (pos)
            ch->pos = *pos;
        if (orient)
            ch->orient = *orient;
        if (vel)
            ch->vel = *vel;
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR* orient,
                                            BASS_3DVECTOR* vel) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        LOOKUP_OR_FAIL(ch, handle, lock, 0);
        if (!(ch->flags & BASS_SAMPLE_3D))
            return fail(BASS_ERROR_NO3D, 0);
        if (pos)
            *pos = ch->pos;
        if (orient)
            *orient = ch->orient;
        if (vel)
            *vel = ch->vel;
        return 1;
    });
}

AUDIOLIB_API HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc,
                                       void* user) {
    return guarded<HSYNC>(0, [&]() -> HSYNC {
        ChannelLock ch(handle);
        if (!ch)
            return 0u;
        if (!proc)
            return fail(BASS_ERROR_ILLPARAM, 0u);
        if ((type & ~BASS_SYNC_ONETIME) != BASS_SYNC_END)
            return fail(BASS_ERROR_NOTAVAIL, 0u);
        // Whatever has been played already is settled first: a new sync speaks
        // only of ends still to come.
        reapChannel(*ch, ch.held());
        const DWORD sync = newHandle(Kind::Sync);
        lib().syncs[sync] = Sync{handle, type, proc, user, playCursor(*ch, ch.held())};
        return sync;
    });
}

} // extern "C"
