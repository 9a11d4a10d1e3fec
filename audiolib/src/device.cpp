// Output devices, the listener and the library's global calls.
#include "error.h"
#include "internal.h"

#include <cmath>
#include <set>
#include <string>

namespace audiolib {

Library& lib() {
    // Never destroyed: a program that exits without BASS_Free must not have
    // a running thread torn down under it.
    static Library* const instance = new Library;
    return *instance;
}

DWORD newHandle(Kind kind) {
    static std::atomic<DWORD> counters[8];
    DWORD n = 0;
    do {
        n = (counters[static_cast<DWORD>(kind)].fetch_add(1) + 1) & 0x0FFFFFFFu;
    } while (n == 0);
    return (static_cast<DWORD>(kind) << 28) | n;
}

std::shared_ptr<Channel> findChannel(DWORD handle) {
    auto& L = lib();
    auto it = L.channels.find(handle);
    return it == L.channels.end() ? nullptr : it->second;
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

void setupListener() {
    const ALfloat orientation[6] = {0.f, 0.f, -1.f, 0.f, 1.f, 0.f};
    alListener3f(AL_POSITION, 0.f, 0.f, 0.f);
    alListener3f(AL_VELOCITY, 0.f, 0.f, 0.f);
    alListenerfv(AL_ORIENTATION, orientation);
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    alDopplerFactor(1.f);
}

// Creates the context on an opened device and everything the library keeps
// per device. Closes the device again on failure.
bool openContext(ALCdevice* device, bool loopback, int freq, bool hrtf) {
    auto& L = lib();
    const bool efx = alcIsExtensionPresent(device, "ALC_EXT_EFX") == ALC_TRUE;
    std::vector<ALCint> attrs = {ALC_FREQUENCY, freq};
    if (loopback) {
        attrs.insert(attrs.end(), {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                                   ALC_FLOAT_SOFT});
    }
    if (alcIsExtensionPresent(device, "ALC_SOFT_HRTF"))
        attrs.insert(attrs.end(), {ALC_HRTF_SOFT, hrtf ? ALC_TRUE : ALC_FALSE});
    if (alcIsExtensionPresent(device, "ALC_SOFT_output_limiter"))
        attrs.insert(attrs.end(), {ALC_OUTPUT_LIMITER_SOFT, ALC_TRUE});
    if (efx)
        attrs.insert(attrs.end(), {ALC_MAX_AUXILIARY_SENDS, 2});
    attrs.push_back(0);

    ALCcontext* context = alcCreateContext(device, attrs.data());
    if (!context || !alcMakeContextCurrent(context)) {
        if (context)
            alcDestroyContext(context);
        alcCloseDevice(device);
        return fail(BASS_ERROR_DRIVER, false);
    }
    std::lock_guard lock(L.mx);
    L.device = device;
    L.context = context;
    L.loopback = loopback;
    L.freq = freq;
    L.efx = efx;
    L.sends = 0;
    if (efx)
        alcGetIntegerv(device, ALC_MAX_AUXILIARY_SENDS, 1, &L.sends);
    L.distFactor = L.rollFactor = L.dopplerFactor = 1.f;
    setupListener();
    if (L.efx && L.sends >= 1 && !createRoom())
        L.sends = 0;
    return true;
}

bool openDevice(int device, DWORD freq, bool loopback, bool hrtf) {
    auto& L = lib();
    {
        std::lock_guard lock(L.mx);
        if (L.device)
            return fail(BASS_ERROR_ALREADY, false);
    }
    const int rate = freq == 0 ? 44100 : static_cast<int>(freq);
    if (rate < 8000 || rate > 192000)
        return fail(BASS_ERROR_ILLPARAM, false);
    ALCdevice* dev = nullptr;
    if (loopback) {
        dev = alcLoopbackOpenDeviceSOFT(nullptr);
        if (dev && !alcIsRenderFormatSupportedSOFT(dev, rate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT)) {
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
    if (!openContext(dev, loopback, rate, hrtf))
        return false;
    startThread();
    setError(BASS_OK);
    return true;
}

} // namespace

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API DWORD BASS_GetVersion(void) {
    return AUDIOLIB_VERSION;
}

AUDIOLIB_API const char* BASS_GetDeviceDescription(DWORD device) {
    // Descriptions are kept for the life of the process, so a pointer handed
    // out stays valid whatever is enumerated later.
    static std::mutex mx;
    static std::set<std::string> interned;
    const auto names = deviceNames();
    if (device < 1 || device > names.size())
        return fail(BASS_ERROR_DEVICE, nullptr);
    std::lock_guard lock(mx);
    return interned.insert(names[device - 1]).first->c_str();
}

AUDIOLIB_API BOOL BASS_Init(int device, DWORD freq, DWORD, void*, const void*) {
    return openDevice(device, freq, false, false);
}

AUDIOLIB_API BOOL AUDIOLIB_InitLoopback(DWORD freq, BOOL hrtf) {
    return openDevice(0, freq, true, hrtf != 0);
}

AUDIOLIB_API BOOL BASS_Stop(void) {
    auto& L = lib();
    std::lock_guard lock(L.mx);
    if (!L.device)
        return fail(BASS_ERROR_INIT, 0);
    for (auto& [handle, ch] : L.channels) {
        if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) {
            alSourcePause(ch->source);
            ch->state = BASS_ACTIVE_PAUSED;
        }
    }
    return 1;
}

AUDIOLIB_API BOOL BASS_Free(void) {
    auto& L = lib();
    {
        std::lock_guard lock(L.mx);
        if (!L.device)
            return fail(BASS_ERROR_INIT, 0);
    }
    // The thread cannot join itself: a sync callback must not close the device.
    if (std::this_thread::get_id() == L.threadId)
        return fail(BASS_ERROR_ILLPARAM, 0);
    stopThread();
    std::lock_guard cb(L.callbackMx);
    std::lock_guard lock(L.mx);
    for (auto& [handle, ch] : L.channels) {
        std::lock_guard dec(ch->dec);
        destroyChannelAl(*ch);
        ch->alive = false;
        ch->decoder.reset();
    }
    L.channels.clear();
    L.syncs.clear();
    L.fx.clear();
    L.pending.clear();
    L.reverbSlots.clear(); // emptied by the channels; the device takes any rest
    L.slotPerChannel = false;
    destroyRoom();
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(L.context);
    alcCloseDevice(L.device);
    L.context = nullptr;
    L.device = nullptr;
    return 1;
}

AUDIOLIB_API BOOL BASS_Set3DFactors(float distf, float rollf, float doppf) {
    auto& L = lib();
    std::lock_guard lock(L.mx);
    if (!L.device)
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
}

AUDIOLIB_API void BASS_Apply3D(void) {
    auto& L = lib();
    std::lock_guard lock(L.mx);
    if (!L.device)
        return (void)setError(BASS_ERROR_INIT);
    // Deferred updates make every change land in the same mixing period.
    alcSuspendContext(L.context);
    for (auto& [handle, ch] : L.channels)
        applySourceSpace(*ch);
    alcProcessContext(L.context);
}

AUDIOLIB_API BOOL AUDIOLIB_Render(float* out, DWORD frames) {
    auto& L = lib();
    if (!out)
        return fail(BASS_ERROR_ILLPARAM, 0);
    bool deliver = false;
    {
        std::unique_lock lock(L.mx);
        if (!L.device)
            return fail(BASS_ERROR_INIT, 0);
        if (!L.loopback)
            return fail(BASS_ERROR_NOTAVAIL, 0);
        // A channel's dec is taken before mx: reap and top up one channel.
        auto service = [&](const std::shared_ptr<Channel>& ch, bool fill) {
            std::unique_lock dec(ch->dec, std::try_to_lock);
            if (!dec.owns_lock()) {
                lock.unlock();
                dec.lock();
                lock.lock();
            }
            if (!ch->alive)
                return;
            reapChannel(*ch);
            if (fill && (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED))
                topUpChannelLocked(*ch);
        };
        std::vector<std::shared_ptr<Channel>> active;
        // Small blocks, each after a top-up of every playing channel, so no
        // source ever runs dry inside a block.
        const DWORD block = 256;
        for (DWORD done = 0; done < frames;) {
            active.clear();
            for (auto& [handle, ch] : L.channels)
                if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED)
                    active.push_back(ch);
            for (auto& ch : active)
                service(ch, true);
            if (!L.device)
                return fail(BASS_ERROR_INIT, 0);
            const DWORD n = std::min(block, frames - done);
            alcRenderSamplesSOFT(L.device, out + static_cast<size_t>(done) * 2,
                                 static_cast<ALCsizei>(n));
            done += n;
        }
        // Reap once more so an end reached in the last block is reported now.
        for (auto& ch : active)
            service(ch, false);
        deliver = !L.pending.empty();
    }
    if (deliver)
        L.wake.notify_all();
    return 1;
}

} // extern "C"
