// Output devices, the listener and the library's global calls.
#include "SpaceAxes.h"
#include "error.h"
#include "internal.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <string>

namespace audiolib {

namespace {

Library& ownInstance() {
    // Never destroyed: a program that exits without BASS_Free must not have
    // a running thread torn down under it.
    static Library* const instance = new Library;
    return *instance;
}

thread_local Library* bound = nullptr;

} // namespace

Library& lib() {
    return bound ? *bound : ownInstance();
}

void bindThread(Library* instance) {
    bound = instance == &ownInstance() ? nullptr : instance;
}

bool onLane() {
    return bound != nullptr;
}

namespace {

// Makes a context current for the calling instance: process-wide for the
// library's own, for this thread alone on a lane.
bool makeCurrent(ALCcontext* context) {
    if (!onLane())
        return alcMakeContextCurrent(context) == ALC_TRUE;
    return alcSetThreadContext(context) == ALC_TRUE;
}

} // namespace

DWORD newHandle(Kind kind) {
    static std::atomic<DWORD> counters[8];
    DWORD n = 0;
    do {
        n = (counters[static_cast<DWORD>(kind)].fetch_add(1) + 1) & 0x0FFFFFFFu;
    } while (n == 0);
    return (static_cast<DWORD>(kind) << 28) | n;
}

std::shared_ptr<Channel> findChannel(DWORD handle, const Held&) {
    const auto& owner = lib().slots[slotIndex(handle)].owner;
    return owner && owner->handle == handle ? owner : nullptr;
}

void enterChannel(const std::shared_ptr<Channel>& ch, const Held&) {
    auto& L = lib();
    L.channels[ch->handle] = ch;
    L.slots[slotIndex(ch->handle)].owner = ch;
}

void removeChannel(DWORD handle, const Held&) {
    auto& L = lib();
    auto it = L.channels.find(handle);
    if (it == L.channels.end())
        return;
    L.slots[slotIndex(handle)].owner.reset();
    L.channels.erase(it);
}

DWORD claimChannelHandle(Kind kind, const Held&) {
    auto& L = lib();
    DWORD index = 0;
    if (L.freeCount > 0) {
        index = L.freeRing[L.freeHead];
        L.freeHead = (L.freeHead + 1) % kSlotCount;
        --L.freeCount;
    } else if (L.freshSlots < kSlotCount) {
        index = L.freshSlots++;
    } else {
        return 0;
    }
    ChannelSlot& slot = L.slots[index];
    slot.generation = (slot.generation + 1) & ((1u << (28 - kSlotBits)) - 1);
    slot.state = BASS_ACTIVE_STOPPED;
    resetMeter(slot.meter, L.freq);
    return (static_cast<DWORD>(kind) << 28) | (slot.generation << kSlotBits) | index;
}

void unpublishChannel(Channel& ch, const Held&) {
    ch.slot.handle.store(0);
}

void recycleSlotIndex(DWORD index, const Held&) {
    auto& L = lib();
    L.freeRing[(L.freeHead + L.freeCount) % kSlotCount] = index;
    ++L.freeCount;
}

void recycleSlot(Channel& ch, const Held& lock) {
    ch.slot.handle.store(0);
    recycleSlotIndex(slotIndex(ch.handle), lock);
}

namespace {

std::vector<std::string> deviceNames() {
    std::vector<std::string> names;
    const ALCchar* list = nullptr;
    if (alcIsExtensionPresent(nullptr, "ALC_ENUMERATE_ALL_EXT"))
        list = alcGetString(nullptr, ALC_ALL_DEVICES_SPECIFIER);
    if (!list || !*list)
        list = alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    for (const ALCchar* p = list; p && *p; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

void setupListener(const Held&) {
    // Looking to the program's front, the top of the head up.
    const auto front = axes::OpenAlFromProgram(0.f, 0.f, 1.f);
    const auto top = axes::OpenAlFromProgram(0.f, 1.f, 0.f);
    const ALfloat orientation[6] = {front[0], front[1], front[2], top[0], top[1], top[2]};
    alListener3f(AL_POSITION, 0.f, 0.f, 0.f);
    alListener3f(AL_VELOCITY, 0.f, 0.f, 0.f);
    alListenerfv(AL_ORIENTATION, orientation);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(1.f);
}

// The device's attributes, for creating its context and for every reset: a
// reset rebuilds the device from the full list (a loopback device fails
// without its format), so nothing given at creation may be left out.
std::vector<ALCint> deviceAttributes(ALCdevice* device, bool loopback, int freq, DWORD hrtfMode,
                                     int hrtfDataSet, bool efx) {
    std::vector<ALCint> attrs = {ALC_FREQUENCY, freq};
    if (loopback) {
        attrs.insert(attrs.end(), {ALC_FORMAT_CHANNELS_SOFT, lib().outLayout, ALC_FORMAT_TYPE_SOFT,
                                   ALC_FLOAT_SOFT});
    }
    if (alcIsExtensionPresent(device, "ALC_SOFT_HRTF")) {
        const ALCint hrtf = hrtfMode == AUDIOLIB_HRTF_ON    ? ALC_TRUE
                            : hrtfMode == AUDIOLIB_HRTF_OFF ? ALC_FALSE
                                                            : ALC_DONT_CARE_SOFT;
        attrs.insert(attrs.end(), {ALC_HRTF_SOFT, hrtf});
        if (hrtfDataSet >= 0)
            attrs.insert(attrs.end(), {ALC_HRTF_ID_SOFT, hrtfDataSet});
    }
    if (alcIsExtensionPresent(device, "ALC_SOFT_output_limiter"))
        attrs.insert(attrs.end(),
                     {ALC_OUTPUT_LIMITER_SOFT, lib().outputLimiter ? ALC_TRUE : ALC_FALSE});
    if (efx)
        attrs.insert(attrs.end(), {ALC_MAX_AUXILIARY_SENDS, 2});
    attrs.push_back(0);
    return attrs;
}

// Creates the context on an opened device and everything the library keeps
// per device. Closes the device again on failure.
bool openContext(ALCdevice* device, bool loopback, int freq, DWORD hrtfMode, int hrtfDataSet) {
    auto& L = lib();
    const bool efx = alcIsExtensionPresent(device, "ALC_EXT_EFX") == ALC_TRUE;
    const auto attrs = deviceAttributes(device, loopback, freq, hrtfMode, hrtfDataSet, efx);
    ALCcontext* context = alcCreateContext(device, attrs.data());
    if (!context || !makeCurrent(context)) {
        if (context)
            alcDestroyContext(context);
        alcCloseDevice(device);
        return fail(BASS_ERROR_DRIVER, false);
    }
    Held lock(L.mx);
    L.device = device;
    L.context = context;
    L.closing = false;
    ++L.epoch;
    // Nothing plays yet: the effect slots rest.
    L.reverbsWorking = L.roomWorking = L.wantedReverbs = L.wantedRoom = false;
    L.restPending = false;
    L.loopback = loopback;
    L.freq = L.requestedFreq = freq;
    L.efx = efx;
    L.hrtfMode = hrtfMode;
    L.hrtfDataSet = hrtfDataSet;
    L.sends = 0;
    if (efx)
        alcGetIntegerv(device, ALC_MAX_AUXILIARY_SENDS, 1, &L.sends);
    L.distFactor = L.rollFactor = L.dopplerFactor = 1.f;
    L.listenerFront = {0, 0, 1};
    L.listenerTop = {0, 1, 0};
    L.listenerApplied = false;
    setupListener(lock);
    if (L.efx && L.sends >= 1 && !createRoom(lock))
        L.sends = 0;
    L.opened = true;
    return true;
}

// The loopback device's mixing calls: at most this many frames each, and the
// length of the fades around a device reset.
constexpr DWORD kRenderBlock = 512;
constexpr DWORD kResetFadeFrames = 256;

// Renders frames from the loopback device. Before each block, the playing
// channels that are due (a quarter of their queue left, an end played, or a change
// the plan did not foresee) are reaped and topped up, so no source runs dry
// inside a block and the others cost nothing. lock holds mx; it may be let go
// and taken again in between. False when the device went away.
bool renderLoopback(std::unique_lock<std::mutex>& lock, float* out, DWORD frames) {
    auto& L = lib();
    // A channel's dec is taken before mx: reap and top up one channel.
    auto service = [&](const std::shared_ptr<Channel>& ch, bool fill) {
        std::unique_lock dec(ch->dec, std::try_to_lock);
        if (!dec.owns_lock()) {
            lock.unlock();
            dec.lock();
            lock.lock();
        }
        if (!ch->alive || !L.open())
            return;
        reapChannel(*ch, lock);
        if (fill && (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED))
            topUpChannelLocked(*ch, lock);
        planLoopbackLook(*ch, kRenderBlock, lock);
    };
    // Kept from call to call so that a render allocates nothing.
    thread_local std::vector<std::shared_ptr<Channel>> active;
    for (DWORD done = 0; done < frames;) {
        active.clear();
        for (auto& [handle, ch] : L.channels)
            if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED)
                active.push_back(ch);
        for (auto& ch : active)
            if (loopbackLookDue(*ch, lock))
                service(ch, true);
        if (!L.open()) {
            active.clear();
            return false;
        }
        // OpenAL ramps a changed gain, place or HRTF over one call: blocks of
        // at most 512 frames keep those ramps short (an output device mixes
        // 1024 at a time), and a program's 10 ms block is mixed in one call,
        // paying the mixer's fixed cost per call once. The mix fades back in
        // after a device reset as fast as it faded out.
        const DWORD block = L.fadingIn ? kResetFadeFrames : kRenderBlock;
        L.fadingIn = false;
        const DWORD n = std::min(block, frames - done);
        alcRenderSamplesSOFT(L.device, out + static_cast<size_t>(done) * L.outChannels,
                             static_cast<ALCsizei>(n));
        done += n;
        L.renderedFrames += n;
        // Here time is what has been rendered: count the ring-out down.
        if (L.restPending && (L.restFrames -= static_cast<long>(n)) <= 0)
            restEffects(lock);
    }
    // Look once more at the channels due, so an end reached in the last block
    // is reported now; the others' levels follow the plan.
    for (auto& ch : active) {
        if (loopbackLookDue(*ch, lock))
            service(ch, false);
        else if (ch->alive)
            meterPlannedCursor(*ch, lock);
    }
    active.clear(); // holds no freed channel until the next render
    return L.open();
}

// Fades the whole mix out before a device reset. OpenAL Soft keeps a voice's
// filter history across a reset, and HRTF taken up again would start from
// what it held long ago: a click. A voice that went silent first has nothing
// left to replay. The listener's gain change ramps over one mixing update.
// mx held (through lock); false when the device went away meanwhile.
bool fadeOutForReset(std::unique_lock<std::mutex>& lock) {
    auto& L = lib();
    alListenerf(AL_GAIN, 0.f);
    if (L.loopback) {
        std::vector<float> fade(kResetFadeFrames * static_cast<size_t>(L.outChannels));
        if (!renderLoopback(lock, fade.data(), kResetFadeFrames))
            return false;
        L.renderedAhead.insert(L.renderedAhead.end(), fade.begin(), fade.end());
        L.fadingIn = true;
        return true;
    }
    // An output device mixes on its own: wait out two updates.
    ALCint refresh = 0;
    alcGetIntegerv(L.device, ALC_REFRESH, 1, &refresh);
    const int ms = 2 * 1000 / std::max(refresh, 10) + 2;
    ALCdevice* const device = L.device;
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    lock.lock();
    return L.open() && L.device == device;
}

// OpenAL Soft 1.19 crashes resetting a device whose context holds the place
// of a deleted effect slot that no new slot has taken: new slots take the
// free places first, so filling up to the limit leaves none. Returns the
// fillers, to be deleted after the reset. mx held.
std::vector<ALuint> fillFreedEffectSlots(const Held&) {
    std::vector<ALuint> fillers;
    if (!lib().efx)
        return fillers;
    alGetError();
    for (int i = 0; i < 4096; ++i) { // far above any configured slot limit
        ALuint slot = 0;
        alGenAuxiliaryEffectSlots(1, &slot);
        if (alGetError() != AL_NO_ERROR)
            break;
        fillers.push_back(slot);
    }
    return fillers;
}

// The names of the device's HRTF data sets, in OpenAL Soft's order. mx held.
std::vector<std::string> hrtfNames(ALCdevice* device, const Held&) {
    std::vector<std::string> names;
    if (!alcIsExtensionPresent(device, "ALC_SOFT_HRTF"))
        return names;
    ALCint count = 0;
    alcGetIntegerv(device, ALC_NUM_HRTF_SPECIFIERS_SOFT, 1, &count);
    for (ALCint i = 0; i < count; ++i) {
        const ALCchar* name = alcGetStringiSOFT(device, ALC_HRTF_SPECIFIER_SOFT, i);
        names.emplace_back(name ? name : "");
    }
    return names;
}

// Closes the context and the device, with whatever OpenAL objects are left on
// them. No channel may be on them any more.
void closeDevice(const Held& lock) {
    auto& L = lib();
    L.reverbSlots.clear(); // emptied by the channels; the device takes any rest
    L.slotPerChannel = false;
    L.renderedAhead.clear();
    L.fadingIn = false;
    destroyRoom(lock);
    if (L.mutedDirect)
        alDeleteFilters(1, &L.mutedDirect);
    L.mutedDirect = 0;
    L.directPath = true;
    makeCurrent(nullptr);
    alcDestroyContext(L.context);
    alcCloseDevice(L.device);
    L.context = nullptr;
    L.device = nullptr;
    L.opened = false;
    L.closing = false;
}

// OpenAL Soft's loopback layout of a channel count; 0 for none.
ALCint LoopbackLayout(DWORD channels) {
    switch (channels) {
    case 2:
        return ALC_STEREO_SOFT;
    case 4:
        return ALC_QUAD_SOFT;
    case 6:
        return ALC_5POINT1_SOFT;
    case 8:
        return ALC_7POINT1_SOFT;
    default:
        return 0;
    }
}

bool openDevice(int device, DWORD freq, bool loopback, DWORD hrtfMode, int hrtfDataSet = -1,
                DWORD channels = 2, bool limiter = true) {
    auto& L = lib();
    // The library thread exists only while a device is open, and must not wait
    // for a BASS_Free that is waiting for it.
    if (std::this_thread::get_id() == L.threadId.load())
        return fail(BASS_ERROR_ALREADY, false);
    std::lock_guard life(L.lifecycleMx);
    {
        std::lock_guard lock(L.mx);
        if (L.device)
            return fail(BASS_ERROR_ALREADY, false);
    }
    const int rate = freq == 0 ? 44100 : static_cast<int>(freq);
    if (rate < 8000 || rate > 192000)
        return fail(BASS_ERROR_ILLPARAM, false);
    ALCdevice* dev = nullptr;
    const ALCint layout = LoopbackLayout(channels);
    if (layout == 0)
        return fail(BASS_ERROR_ILLPARAM, false);
    {
        std::lock_guard lock(L.mx);
        L.outChannels = static_cast<int>(channels);
        L.outLayout = layout;
        L.outputLimiter = limiter || !loopback;
    }
    if (loopback) {
        dev = alcLoopbackOpenDeviceSOFT(nullptr);
        if (dev && !alcIsRenderFormatSupportedSOFT(dev, rate, layout, ALC_FLOAT_SOFT)) {
            alcCloseDevice(dev);
            return fail(BASS_ERROR_ILLPARAM, false);
        }
    } else {
        const auto names = deviceNames();
        if (device == -1) {
            dev = alcOpenDevice(nullptr);
        } else {
            if (device < 1 || static_cast<size_t>(device) > names.size())
                return fail(BASS_ERROR_DEVICE, false);
            dev = alcOpenDevice(names[static_cast<size_t>(device) - 1].c_str());
        }
    }
    if (!dev)
        return fail(BASS_ERROR_DRIVER, false);
    if (!openContext(dev, loopback, rate, hrtfMode, hrtfDataSet))
        return false;
    try {
        startThread();
    } catch (...) {
        Held lock(L.mx);
        closeDevice(lock);
        throw;
    }
    setError(BASS_OK);
    return true;
}

} // namespace

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API DWORD BASS_GetVersion(void) {
    return guarded<DWORD>(0, [] { return DWORD{AUDIOLIB_VERSION}; });
}

AUDIOLIB_API const char* BASS_GetDeviceDescription(DWORD device) {
    return guarded<const char*>(nullptr, [&]() -> const char* {
        // Descriptions are kept for the life of the process, so a pointer handed
        // out stays valid whatever is enumerated later.
        static std::mutex mx;
        static std::set<std::string> interned;
        const auto names = deviceNames();
        if (device < 1 || device > names.size())
            return fail(BASS_ERROR_DEVICE, nullptr);
        std::lock_guard lock(mx);
        return interned.insert(names[device - 1]).first->c_str();
    });
}

AUDIOLIB_API BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
    return guarded<BOOL>(
        0, [&]() -> BOOL { return openDevice(device, freq, false, AUDIOLIB_HRTF_AUTO); });
}

AUDIOLIB_API BOOL AUDIOLIB_InitLoopback(DWORD freq, DWORD hrtf) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        if (hrtf > AUDIOLIB_HRTF_AUTO)
            return fail(BASS_ERROR_ILLPARAM, 0);
        return openDevice(0, freq, true, hrtf);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_InitLoopbackEx(DWORD freq, DWORD hrtf, int dataset, DWORD channels) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        if (hrtf > AUDIOLIB_HRTF_AUTO || dataset < -1)
            return fail(BASS_ERROR_ILLPARAM, 0);
        return openDevice(0, freq, true, hrtf, dataset, channels);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_InitLoopbackFlags(DWORD freq, DWORD hrtf, int dataset, DWORD channels,
                                             DWORD flags) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        if (hrtf > AUDIOLIB_HRTF_AUTO || dataset < -1 ||
            (flags & ~DWORD{AUDIOLIB_LOOPBACK_NOLIMITER}))
            return fail(BASS_ERROR_ILLPARAM, 0);
        return openDevice(0, freq, true, hrtf, dataset, channels,
                          (flags & AUDIOLIB_LOOPBACK_NOLIMITER) == 0);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_SetHRTF(DWORD mode, int dataset) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (!alcIsExtensionPresent(L.device, "ALC_SOFT_HRTF"))
            return fail(BASS_ERROR_NOTAVAIL, 0);
        if (mode > AUDIOLIB_HRTF_AUTO || dataset < -1 ||
            dataset >= static_cast<int>(hrtfNames(L.device, lock).size()))
            return fail(BASS_ERROR_ILLPARAM, 0);
        if (!fadeOutForReset(lock))
            return fail(BASS_ERROR_INIT, 0);
        // The reset rebuilds only the mixer: the context with its sources, queued
        // buffers and effect slots stays, and playing sources go on playing.
        const auto attrs =
            deviceAttributes(L.device, L.loopback, L.requestedFreq, mode, dataset, L.efx);
        std::vector<ALuint> fillers = fillFreedEffectSlots(lock);
        const bool reset = alcResetDeviceSOFT(L.device, attrs.data()) == ALC_TRUE;
        if (!fillers.empty())
            alDeleteAuxiliaryEffectSlots(static_cast<ALsizei>(fillers.size()), fillers.data());
        alListenerf(AL_GAIN, 1.f); // fades in over the next update
        if (!L.pending.empty())
            L.wake.notify_all(); // an end reached while fading
        if (!reset)
            return fail(BASS_ERROR_DRIVER, 0);
        L.hrtfMode = mode;
        L.hrtfDataSet = dataset;
        ALCint rate = 0;
        alcGetIntegerv(L.device, ALC_FREQUENCY, 1, &rate);
        if (rate > 0)
            L.freq = rate;
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API BOOL AUDIOLIB_GetHRTFInfo(AUDIOLIB_HRTF_INFO* info) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        if (!info)
            return fail(BASS_ERROR_ILLPARAM, 0);
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        *info = AUDIOLIB_HRTF_INFO{L.hrtfMode, L.hrtfDataSet, 0, AUDIOLIB_HRTF_UNAVAILABLE, -1, 0};
        setError(BASS_OK);
        if (!alcIsExtensionPresent(L.device, "ALC_SOFT_HRTF"))
            return 1;
        ALCint active = ALC_FALSE, status = ALC_HRTF_DISABLED_SOFT;
        alcGetIntegerv(L.device, ALC_HRTF_SOFT, 1, &active);
        alcGetIntegerv(L.device, ALC_HRTF_STATUS_SOFT, 1, &status);
        info->active = active == ALC_TRUE;
        info->status = static_cast<DWORD>(status);
        const auto names = hrtfNames(L.device, lock);
        info->count = static_cast<DWORD>(names.size());
        if (info->active) {
            const ALCchar* current = alcGetString(L.device, ALC_HRTF_SPECIFIER_SOFT);
            for (size_t i = 0; current && i < names.size(); ++i)
                if (names[i] == current)
                    info->inUse = static_cast<int>(i);
        }
        return 1;
    });
}

AUDIOLIB_API const char* AUDIOLIB_GetHRTFName(DWORD index) {
    return guarded<const char*>(nullptr, [&]() -> const char* {
        // Kept for the life of the process, as the device descriptions are.
        static std::set<std::string> interned;
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, nullptr);
        const auto names = hrtfNames(L.device, lock);
        if (index >= names.size())
            return fail(BASS_ERROR_ILLPARAM, nullptr);
        setError(BASS_OK);
        return interned.insert(names[index]).first->c_str();
    });
}

AUDIOLIB_API BOOL BASS_Stop(void) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        for (auto& [handle, ch] : L.channels) {
            if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) {
                alSourcePause(ch->source);
                ch->state = BASS_ACTIVE_PAUSED;
            }
        }
        updateEffectActivity(lock);
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_Free(void) {
    auto& L = lib();
    // The thread cannot join itself: a sync callback must not close the device.
    if (std::this_thread::get_id() == L.threadId.load())
        return fail(BASS_ERROR_ILLPARAM, 0);
    return guarded<BOOL>(0, [&]() -> BOOL {
        std::lock_guard life(L.lifecycleMx);
        // Locks are taken in the one order: first the channels leave the tables
        // (every new call now fails), then the thread stops, the callbacks end,
        // and each channel is closed under its own dec and then mx.
        std::vector<std::shared_ptr<Channel>> channels;
        {
            Held lock(L.mx);
            if (!L.open())
                return fail(BASS_ERROR_INIT, 0);
            channels.reserve(L.channels.size());
            for (auto& [handle, ch] : L.channels)
                channels.push_back(ch);
            L.closing = true;
            L.opened = false;
            for (auto& ch : channels)
                unpublishChannel(*ch, lock);
            for (auto& ch : channels)
                removeChannel(ch->handle, lock);
            L.syncs.clear();
            L.fx.clear();
            L.syncsHandled += static_cast<long>(L.pending.size()); // dropped
            L.pending.clear();
        }
        stopThread();
        std::lock_guard cb(L.callbackMx);
        for (auto& ch : channels) {
            std::lock_guard dec(ch->dec);
            {
                Held lock(L.mx);
                if (ch->alive) {
                    destroyChannelAl(*ch, lock);
                    recycleSlot(*ch, lock);
                }
                ch->alive = false;
            }
            ch->decoder.reset();
        }
        Held lock(L.mx);
        closeDevice(lock);
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_Set3DFactors(float distf, float rollf, float doppf) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (distf > 0.f)
            L.distFactor = distf;
        if (rollf >= 0.f)
            L.rollFactor = rollf;
        if (doppf >= 0.f) {
            L.dopplerFactor = doppf;
            alDopplerFactor(doppf);
        }
        return 1;
    });
}

AUDIOLIB_API void BASS_Apply3D(void) {
    guardedVoid([&] {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return (void)setError(BASS_ERROR_INIT);
        // Deferred updates make every change land in the same mixing period.
        alcSuspendContext(L.context);
        const auto same = [](const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
            return a.x == b.x && a.y == b.y && a.z == b.z;
        };
        if (!L.listenerApplied || !same(L.appliedFront, L.listenerFront) ||
            !same(L.appliedTop, L.listenerTop)) {
            const auto front =
                axes::OpenAlFromProgram(L.listenerFront.x, L.listenerFront.y, L.listenerFront.z);
            const auto top =
                axes::OpenAlFromProgram(L.listenerTop.x, L.listenerTop.y, L.listenerTop.z);
            const ALfloat orientation[6] = {front[0], front[1], front[2], top[0], top[1], top[2]};
            alListenerfv(AL_ORIENTATION, orientation);
            L.listenerApplied = true;
            L.appliedFront = L.listenerFront;
            L.appliedTop = L.listenerTop;
        }
        for (auto& [handle, ch] : L.channels)
            applySourceSpace(*ch, lock);
        alcProcessContext(L.context);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_SetListenerOrientation(const BASS_3DVECTOR* front,
                                                  const BASS_3DVECTOR* top) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        const auto usable = [](const BASS_3DVECTOR* v) {
            if (!v)
                return false;
            const float len2 = v->x * v->x + v->y * v->y + v->z * v->z;
            return std::isfinite(len2) && len2 > 1e-12f;
        };
        if (!usable(front) || !usable(top))
            return fail(BASS_ERROR_ILLPARAM, 0);
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        L.listenerFront = *front;
        L.listenerTop = *top;
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API BOOL AUDIOLIB_Get3DSpace(float* distf, float* rollf, BASS_3DVECTOR* front,
                                      BASS_3DVECTOR* top) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (distf)
            *distf = L.distFactor;
        if (rollf)
            *rollf = L.rollFactor;
        if (front)
            *front = L.listenerFront;
        if (top)
            *top = L.listenerTop;
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API BOOL AUDIOLIB_SetDirectPath(BOOL on) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (!L.efx)
            return fail(BASS_ERROR_NOTAVAIL, 0);
        if (!on && !L.mutedDirect) {
            alGetError();
            alGenFilters(1, &L.mutedDirect);
            if (alGetError() != AL_NO_ERROR) {
                L.mutedDirect = 0;
                return fail(BASS_ERROR_MEMORY, 0);
            }
            alFilteri(L.mutedDirect, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
            alFilterf(L.mutedDirect, AL_LOWPASS_GAIN, 0.f);
        }
        L.directPath = on != 0;
        alcSuspendContext(L.context);
        for (auto& [handle, ch] : L.channels)
            applySourceSpace(*ch, lock);
        alcProcessContext(L.context);
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API AUDIOLIB_LANE* AUDIOLIB_LaneCreate(void) {
    return guarded<AUDIOLIB_LANE*>(nullptr, [&]() -> AUDIOLIB_LANE* {
        if (!alcIsExtensionPresent(nullptr, "ALC_EXT_thread_local_context"))
            return fail(BASS_ERROR_NOTAVAIL, nullptr);
        auto* instance = new (std::nothrow) Library;
        if (!instance)
            return fail(BASS_ERROR_MEMORY, nullptr);
        setError(BASS_OK);
        return reinterpret_cast<AUDIOLIB_LANE*>(instance);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_LaneBind(AUDIOLIB_LANE* lane) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        bindThread(reinterpret_cast<Library*>(lane));
        // The lane's context, if open, is this thread's too from now on.
        if (lane) {
            auto& L = lib();
            Held lock(L.mx);
            if (L.context)
                alcSetThreadContext(L.context);
        } else {
            alcSetThreadContext(nullptr);
        }
        setError(BASS_OK);
        return 1;
    });
}

AUDIOLIB_API void AUDIOLIB_LaneFree(AUDIOLIB_LANE* lane) {
    guardedVoid([&] {
        if (!lane)
            return;
        Library* const previous = onLane() ? &lib() : nullptr;
        auto* instance = reinterpret_cast<Library*>(lane);
        bindThread(instance);
        alcSetThreadContext(instance->context);
        BASS_Free();
        bindThread(previous);
        alcSetThreadContext(previous ? previous->context : nullptr);
        delete instance;
    });
}

AUDIOLIB_API BOOL AUDIOLIB_Render(float* out, DWORD frames) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        if (!out)
            return fail(BASS_ERROR_ILLPARAM, 0);
        bool deliver = false;
        {
            Held lock(L.mx);
            if (!L.open())
                return fail(BASS_ERROR_INIT, 0);
            if (!L.loopback)
                return fail(BASS_ERROR_NOTAVAIL, 0);
            const auto width = static_cast<size_t>(L.outChannels);
            const DWORD ahead =
                std::min<DWORD>(frames, static_cast<DWORD>(L.renderedAhead.size() / width));
            std::copy_n(L.renderedAhead.begin(), ahead * width, out);
            L.renderedAhead.erase(L.renderedAhead.begin(),
                                  L.renderedAhead.begin() + static_cast<long>(ahead * width));
            if (!renderLoopback(lock, out + static_cast<size_t>(ahead) * width, frames - ahead))
                return fail(BASS_ERROR_INIT, 0);
            deliver = !L.pending.empty();
        }
        if (deliver)
            L.wake.notify_all();
        return 1;
    });
}

} // extern "C"
