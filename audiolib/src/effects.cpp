// The room environment (one EAX reverb per device, send 0 of every channel)
// and the channel reverbs (send 1, one effect slot per distinct reverb).
//
// OpenAL Soft runs every effect slot that holds an effect on every mix, heard
// or not, so only what can be heard holds one: a silent send feeds no slot, a
// slot nobody feeds is deleted, and the room's slot is emptied at volume 0.
#include "error.h"
#include "internal.h"

#include <AL/efx-presets.h>
#include <algorithm>
#include <cmath>

namespace audiolib {

namespace {

// In the order of the EAX_ENVIRONMENT_* numbers.
const EFXEAXREVERBPROPERTIES kPresets[EAX_ENVIRONMENT_COUNT] = {
    EFX_REVERB_PRESET_GENERIC,    EFX_REVERB_PRESET_PADDEDCELL,
    EFX_REVERB_PRESET_ROOM,       EFX_REVERB_PRESET_BATHROOM,
    EFX_REVERB_PRESET_LIVINGROOM, EFX_REVERB_PRESET_STONEROOM,
    EFX_REVERB_PRESET_AUDITORIUM, EFX_REVERB_PRESET_CONCERTHALL,
    EFX_REVERB_PRESET_CAVE,       EFX_REVERB_PRESET_ARENA,
    EFX_REVERB_PRESET_HANGAR,     EFX_REVERB_PRESET_CARPETEDHALLWAY,
    EFX_REVERB_PRESET_HALLWAY,    EFX_REVERB_PRESET_STONECORRIDOR,
    EFX_REVERB_PRESET_ALLEY,      EFX_REVERB_PRESET_FOREST,
    EFX_REVERB_PRESET_CITY,       EFX_REVERB_PRESET_MOUNTAINS,
    EFX_REVERB_PRESET_QUARRY,     EFX_REVERB_PRESET_PLAIN,
    EFX_REVERB_PRESET_PARKINGLOT, EFX_REVERB_PRESET_SEWERPIPE,
    EFX_REVERB_PRESET_UNDERWATER, EFX_REVERB_PRESET_DRUGGED,
    EFX_REVERB_PRESET_DIZZY,      EFX_REVERB_PRESET_PSYCHOTIC,
};

float dbToGain(float db);

// OpenAL Soft 1.19 asserts (and aborts) when the late reverb's high-frequency
// damping gets too steep: when 1/hfDecay - 1/decay grows past about 7.5 for
// its longest delay line. Keep it under a margin by raising the HF decay time
// where needed; the difference is hard to hear, a crash is not.
float safeHfRatio(float decay, float ratio) {
    constexpr float kMaxDampingSlope = 5.5f;
    const float hfDecay = std::max(decay * ratio, 1.f / (kMaxDampingSlope + 1.f / decay));
    return std::clamp(hfDecay / decay, AL_REVERB_MIN_DECAY_HFRATIO, AL_REVERB_MAX_DECAY_HFRATIO);
}

float dbToGain(float db) {
    return db <= -96.f ? 0.f : std::pow(10.f, std::min(db, 0.f) / 20.f);
}

// Writes the room effect from the environment, decay and damping and loads it
// into the slot (an effect is copied into a slot when attached).
void updateRoom(const Held&) {
    auto& L = lib();
    const auto& p = kPresets[L.env];
    const ALuint e = L.roomEffect;
    const float decay = std::clamp(L.envDecay, 0.1f, 20.f);
    const float hfRatio = safeHfRatio(decay, std::clamp(L.envDamp, 0.1f, 2.f));
    if (L.roomEax) {
        alEffectf(e, AL_EAXREVERB_DENSITY, p.flDensity);
        alEffectf(e, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
        alEffectf(e, AL_EAXREVERB_GAIN, p.flGain);
        alEffectf(e, AL_EAXREVERB_GAINHF, p.flGainHF);
        alEffectf(e, AL_EAXREVERB_GAINLF, p.flGainLF);
        alEffectf(e, AL_EAXREVERB_DECAY_TIME, decay);
        alEffectf(e, AL_EAXREVERB_DECAY_HFRATIO, hfRatio);
        alEffectf(e, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
        alEffectf(e, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
        alEffectf(e, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
        alEffectfv(e, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
        alEffectf(e, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
        alEffectf(e, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
        alEffectfv(e, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
        alEffectf(e, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
        alEffectf(e, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
        alEffectf(e, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
        alEffectf(e, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
        alEffectf(e, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
        alEffectf(e, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
        alEffectf(e, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
        alEffectf(e, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
        alEffecti(e, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
    } else {
        alEffectf(e, AL_REVERB_DENSITY, p.flDensity);
        alEffectf(e, AL_REVERB_DIFFUSION, p.flDiffusion);
        alEffectf(e, AL_REVERB_GAIN, p.flGain);
        alEffectf(e, AL_REVERB_GAINHF, p.flGainHF);
        alEffectf(e, AL_REVERB_DECAY_TIME, decay);
        alEffectf(e, AL_REVERB_DECAY_HFRATIO, hfRatio);
        alEffectf(e, AL_REVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
        alEffectf(e, AL_REVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
        alEffectf(e, AL_REVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
        alEffectf(e, AL_REVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
        alEffectf(e, AL_REVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
        alEffectf(e, AL_REVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
        alEffecti(e, AL_REVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
    }
    // At volume 0, or resting, the slot stays (every channel's send names it)
    // but empty: sends to an empty slot are skipped, and it runs no reverb.
    L.roomActive = L.envVol > 0.f && L.roomWorking;
    alAuxiliaryEffectSloti(L.roomSlot, AL_EFFECTSLOT_EFFECT,
                           L.roomActive ? static_cast<ALint>(e) : AL_EFFECT_NULL);
    alAuxiliaryEffectSlotf(L.roomSlot, AL_EFFECTSLOT_GAIN, std::clamp(L.envVol, 0.f, 1.f));
}

// The room send: a channel's mix as the gain of its send filter; automatic
// leaves the send unfiltered, attenuated with distance as the direct path.
void connectRoomSend(Channel& ch, const Held&) {
    auto& L = lib();
    if (!L.roomSlot)
        return;
    if (ch.eaxMix < 0.f) {
        alSource3i(ch.source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(L.roomSlot), 0,
                   AL_FILTER_NULL);
        return;
    }
    alFilterf(ch.roomFilter, AL_LOWPASS_GAIN, std::clamp(ch.eaxMix, 0.f, 1.f));
    alFilterf(ch.roomFilter, AL_LOWPASS_GAINHF, 1.f);
    alSource3i(ch.source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(L.roomSlot), 0,
               static_cast<ALint>(ch.roomFilter));
}

ReverbKey reverbKey(const Channel& ch, const Held&) {
    const auto& p = ch.fxParams;
    ReverbKey key;
    key.owner = lib().slotPerChannel ? ch.handle : 0;
    key.decay =
        std::clamp(p.reverbTime / 1000.f, AL_REVERB_MIN_DECAY_TIME, AL_REVERB_MAX_DECAY_TIME);
    key.hfRatio = safeHfRatio(key.decay, p.highFreqRTRatio);
    return key;
}

// The slot for a reverb shape, made when nobody feeds one yet; counts one more
// send. 0 when OpenAL has no slot left.
ALuint acquireSlot(const ReverbKey& key, const Held&) {
    auto& L = lib();
    if (auto it = L.reverbSlots.find(key); it != L.reverbSlots.end()) {
        ++it->second.sends;
        return it->second.slot;
    }
    ReverbSlot rs;
    alGetError();
    alGenAuxiliaryEffectSlots(1, &rs.slot);
    if (alGetError() != AL_NO_ERROR)
        return 0;
    alGenEffects(1, &rs.effect);
    alEffecti(rs.effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
    alEffectf(rs.effect, AL_REVERB_DECAY_TIME, key.decay);
    alEffectf(rs.effect, AL_REVERB_DECAY_HFRATIO, key.hfRatio);
    alAuxiliaryEffectSloti(rs.slot, AL_EFFECTSLOT_EFFECT,
                           L.reverbsWorking ? static_cast<ALint>(rs.effect) : AL_EFFECT_NULL);
    if (alGetError() != AL_NO_ERROR) {
        alDeleteAuxiliaryEffectSlots(1, &rs.slot);
        if (rs.effect)
            alDeleteEffects(1, &rs.effect);
        return 0;
    }
    rs.sends = 1;
    L.reverbSlots[key] = rs;
    return rs.slot;
}

// One send less; the last one frees the slot. Detach the send first: OpenAL
// does not delete a slot a source still names.
void releaseSlot(const ReverbKey& key, const Held&) {
    auto& L = lib();
    auto it = L.reverbSlots.find(key);
    if (it == L.reverbSlots.end() || --it->second.sends > 0)
        return;
    alAuxiliaryEffectSloti(it->second.slot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
    alDeleteAuxiliaryEffectSlots(1, &it->second.slot);
    alDeleteEffects(1, &it->second.effect);
    L.reverbSlots.erase(it);
}

void detachReverb(Channel& ch, const Held& lock) {
    if (!ch.fxSent)
        return;
    alSource3i(ch.source, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, 1, AL_FILTER_NULL);
    ch.fxSent = false;
    releaseSlot(ch.fxKey, lock);
}

std::shared_ptr<Channel> channelOfFx(DWORD hfx, const Held& lock) {
    auto& L = lib();
    if (hfx == 0 || kindOf(hfx) != Kind::Fx)
        return nullptr;
    auto it = L.fx.find(hfx);
    return it == L.fx.end() ? nullptr : findChannel(it->second, lock);
}

} // namespace

bool routeReverb(Channel& ch, const Held& lock) {
    const auto& p = ch.fxParams;
    // Input gain and mix both scale what the reverb returns: one send gain.
    const float gain = dbToGain(p.inGain) * dbToGain(p.reverbMix);
    if (gain <= 0.f) {
        detachReverb(ch, lock);
        return true;
    }
    const ReverbKey key = reverbKey(ch, lock);
    const bool moving = !ch.fxSent || !(ch.fxKey == key);
    const ALuint slot = moving ? acquireSlot(key, lock) : lib().reverbSlots.at(key).slot;
    if (!slot) {
        detachReverb(ch, lock);
        return false;
    }
    // A filter is copied when attached: attach again after a change.
    alFilterf(ch.fxFilter, AL_LOWPASS_GAIN, gain);
    alFilterf(ch.fxFilter, AL_LOWPASS_GAINHF, 1.f);
    alSource3i(ch.source, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(slot), 1,
               static_cast<ALint>(ch.fxFilter));
    if (moving) {
        // The old slot is released only now that the send names the new one.
        if (ch.fxSent)
            releaseSlot(ch.fxKey, lock);
        ch.fxKey = key;
        ch.fxSent = true;
    }
    return true;
}

namespace {

bool anyChannelPlays(const Held&) {
    for (const auto& [handle, ch] : lib().channels)
        if (ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED)
            return true;
    return false;
}

// A playing channel sends to the room (automatic counts: it is distance based).
bool roomFedByAPlayingChannel(const Held&) {
    for (const auto& [handle, ch] : lib().channels)
        if ((ch->state == BASS_ACTIVE_PLAYING || ch->state == BASS_ACTIVE_STALLED) &&
            ch->eaxMix != 0.f)
            return true;
    return false;
}

// Puts the effects into their slots or takes them out. An effect is copied
// into its slot afresh, with an empty delay line: it is put back only after
// what it held has died away.
void setWorking(bool reverbs, bool room, const Held& lock) {
    auto& L = lib();
    if (reverbs != L.reverbsWorking) {
        L.reverbsWorking = reverbs;
        for (const auto& [key, rs] : L.reverbSlots)
            alAuxiliaryEffectSloti(rs.slot, AL_EFFECTSLOT_EFFECT,
                                   reverbs ? static_cast<ALint>(rs.effect) : AL_EFFECT_NULL);
    }
    if (room != L.roomWorking) {
        L.roomWorking = room;
        if (L.roomSlot)
            updateRoom(lock);
    }
}

// How long what the working slots hold takes to die away: past the decay time
// (60 dB down) with a margin, and the reflections' delays.
double ringOutSeconds(bool reverbs, bool room, const Held&) {
    auto& L = lib();
    double seconds = 0.0;
    if (reverbs)
        for (const auto& [key, rs] : L.reverbSlots)
            seconds = std::max(seconds, 1.2 * key.decay + 0.3);
    if (room && L.roomActive)
        seconds = std::max(seconds, 1.2 * std::clamp(L.envDecay, 0.1f, 20.f) + 0.3);
    return seconds;
}

} // namespace

void updateEffectActivity(const Held& lock) {
    auto& L = lib();
    const bool reverbs = anyChannelPlays(lock);
    const bool room = reverbs && roomFedByAPlayingChannel(lock);
    // Whatever is needed works at once.
    setWorking(reverbs || L.reverbsWorking, room || L.roomWorking, lock);
    const bool stopping = (L.reverbsWorking && !reverbs) || (L.roomWorking && !room);
    const bool fell = (L.wantedReverbs && !reverbs) || (L.wantedRoom && !room);
    L.wantedReverbs = reverbs;
    L.wantedRoom = room;
    if (!stopping) {
        L.restPending = false;
        return;
    }
    if (L.restPending && !fell)
        return; // already ringing out since the last thing fell silent
    const double ring = ringOutSeconds(L.reverbsWorking && !reverbs, L.roomWorking && !room, lock);
    if (ring <= 0.0) {
        restEffects(lock);
        return;
    }
    if (L.loopback) {
        L.restFrames = std::max(L.restPending ? L.restFrames : 0L,
                                static_cast<long>(std::ceil(ring * L.freq)));
    } else {
        const auto at = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(ring));
        L.restAt = L.restPending ? std::max(L.restAt, at) : at;
        kickThread(lock); // it sleeps until then
    }
    L.restPending = true;
}

void restEffects(const Held& lock) {
    auto& L = lib();
    L.restPending = false;
    const bool reverbs = anyChannelPlays(lock);
    setWorking(reverbs, reverbs && roomFedByAPlayingChannel(lock), lock);
}

std::optional<std::chrono::steady_clock::duration> untilRest(const Held&) {
    auto& L = lib();
    if (!L.restPending || L.loopback)
        return std::nullopt;
    return std::max(L.restAt - std::chrono::steady_clock::now(),
                    std::chrono::steady_clock::duration::zero());
}

bool createRoom(const Held& lock) {
    auto& L = lib();
    L.env = EAX_ENVIRONMENT_GENERIC;
    L.envVol = 0.f; // silent until an environment is chosen
    L.envDecay = kPresets[L.env].flDecayTime;
    L.envDamp = kPresets[L.env].flDecayHFRatio;
    alGetError();
    alGenAuxiliaryEffectSlots(1, &L.roomSlot);
    if (alGetError() != AL_NO_ERROR) {
        L.roomSlot = 0;
        return false;
    }
    alGenEffects(1, &L.roomEffect);
    L.roomEax = true;
    alEffecti(L.roomEffect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
    if (alGetError() != AL_NO_ERROR) {
        L.roomEax = false;
        alEffecti(L.roomEffect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
    }
    if (alGetError() != AL_NO_ERROR) {
        destroyRoom(lock);
        return false;
    }
    updateRoom(lock);
    return alGetError() == AL_NO_ERROR;
}

void destroyRoom(const Held&) {
    auto& L = lib();
    if (L.roomSlot) {
        alAuxiliaryEffectSloti(L.roomSlot, AL_EFFECTSLOT_EFFECT, AL_EFFECT_NULL);
        alDeleteAuxiliaryEffectSlots(1, &L.roomSlot);
    }
    if (L.roomEffect)
        alDeleteEffects(1, &L.roomEffect);
    L.roomSlot = L.roomEffect = 0;
    L.roomActive = false;
}

void attachSends(Channel& ch, const Held& lock) {
    auto& L = lib();
    if (!L.efx || L.sends < 1)
        return;
    alGenFilters(1, &ch.roomFilter);
    alFilteri(ch.roomFilter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
    // Sends follow the direct path's distance attenuation.
    alSourcei(ch.source, AL_AUXILIARY_SEND_FILTER_GAIN_AUTO, AL_TRUE);
    connectRoomSend(ch, lock);
}

void destroyChannelFx(Channel& ch, const Held& lock) {
    if (ch.source) {
        for (ALint send = 0; send < lib().sends; ++send)
            alSource3i(ch.source, AL_AUXILIARY_SEND_FILTER, AL_EFFECTSLOT_NULL, send,
                       AL_FILTER_NULL);
    }
    if (ch.fxSent)
        releaseSlot(ch.fxKey, lock);
    ch.fxSent = false;
    if (ch.fxFilter)
        alDeleteFilters(1, &ch.fxFilter);
    if (ch.roomFilter)
        alDeleteFilters(1, &ch.roomFilter);
    ch.fxFilter = ch.roomFilter = 0;
    ch.fxHandle = 0;
}

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API BOOL BASS_SetEAXParameters(int env, float vol, float decay, float damp) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (!L.roomSlot)
            return fail(BASS_ERROR_NOEAX, 0);
        if (env < -1 || env >= EAX_ENVIRONMENT_COUNT)
            return fail(BASS_ERROR_ILLPARAM, 0);
        if (env >= 0) {
            // A new environment brings its own decay and damping unless given.
            L.env = env;
            L.envDecay = kPresets[env].flDecayTime;
            L.envDamp = kPresets[env].flDecayHFRatio;
        }
        if (vol >= 0.f)
            L.envVol = std::min(vol, 1.f);
        if (decay >= 0.f)
            L.envDecay = std::clamp(decay, 0.1f, 20.f);
        if (damp >= 0.f)
            L.envDamp = std::clamp(damp, 0.1f, 2.f);
        updateRoom(lock);
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (!L.roomSlot)
            return fail(BASS_ERROR_NOEAX, 0);
        if (env)
            *env = static_cast<DWORD>(L.env);
        if (vol)
            *vol = L.envVol;
        if (decay)
            *decay = L.envDecay;
        if (damp)
            *damp = L.envDamp;
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_ChannelSetEAXMix(DWORD handle, float mix) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        auto ch = isChannelHandle(handle) ? findChannel(handle, lock) : nullptr;
        if (!ch)
            return fail(BASS_ERROR_HANDLE, 0);
        if (!L.roomSlot)
            return fail(BASS_ERROR_NOEAX, 0);
        ch->eaxMix = mix < 0.f ? -1.f : std::min(mix, 1.f);
        connectRoomSend(*ch, lock);
        updateEffectActivity(lock);
        return 1;
    });
}

AUDIOLIB_API HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int) {
    return guarded<HFX>(0, [&]() -> HFX {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0u);
        auto ch = isChannelHandle(handle) ? findChannel(handle, lock) : nullptr;
        if (!ch)
            return fail(BASS_ERROR_HANDLE, 0u);
        // One reverb per channel: it has one send of its own.
        if (type != BASS_FX_REVERB || !L.efx || L.sends < 2 || ch->fxHandle)
            return fail(BASS_ERROR_NOTAVAIL, 0u);
        alGetError();
        alGenFilters(1, &ch->fxFilter);
        alFilteri(ch->fxFilter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
        if (alGetError() != AL_NO_ERROR) {
            if (ch->fxFilter)
                alDeleteFilters(1, &ch->fxFilter);
            ch->fxFilter = 0;
            return fail(BASS_ERROR_MEMORY, 0u);
        }
        // Until parameters are set: a plain one-second room at full level.
        ch->fxParams = BASS_REVERB_PARAMS{0.f, 0.f, 1000.f, 0.5f};
        if (!routeReverb(*ch, lock)) {
            alDeleteFilters(1, &ch->fxFilter);
            ch->fxFilter = 0;
            return fail(BASS_ERROR_MEMORY, 0u); // out of effect slots
        }
        ch->fxHandle = newHandle(Kind::Fx);
        L.fx[ch->fxHandle] = handle;
        return ch->fxHandle;
    });
}

AUDIOLIB_API BOOL BASS_FXSetParameters(HFX handle, const void* params) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        auto ch = channelOfFx(handle, lock);
        if (!ch)
            return fail(BASS_ERROR_HANDLE, 0);
        if (!params)
            return fail(BASS_ERROR_ILLPARAM, 0);
        const auto* p = static_cast<const BASS_REVERB_PARAMS*>(params);
        if (!std::isfinite(p->inGain) || !std::isfinite(p->reverbMix) ||
            !std::isfinite(p->reverbTime) || !std::isfinite(p->highFreqRTRatio))
            return fail(BASS_ERROR_ILLPARAM, 0);
        ch->fxParams = *p;
        // Kept even when no slot is left for a new shape: the reverb is silent
        // until the parameters are set again.
        if (!routeReverb(*ch, lock))
            return fail(BASS_ERROR_MEMORY, 0);
        return 1;
    });
}

AUDIOLIB_API BOOL BASS_FXGetParameters(HFX handle, void* params) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        auto ch = channelOfFx(handle, lock);
        if (!ch)
            return fail(BASS_ERROR_HANDLE, 0);
        if (!params)
            return fail(BASS_ERROR_ILLPARAM, 0);
        *static_cast<BASS_REVERB_PARAMS*>(params) = ch->fxParams;
        return 1;
    });
}

AUDIOLIB_API void AUDIOLIB_TestSlotPerChannel(BOOL on) {
    guardedVoid([&] {
        auto& L = lib();
        Held lock(L.mx);
        L.slotPerChannel = on != 0;
        for (auto& [handle, ch] : L.channels)
            if (ch->fxHandle)
                routeReverb(*ch, lock);
    });
}

AUDIOLIB_API BOOL AUDIOLIB_TestGetCounts(AUDIOLIB_TestCounts* out) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        auto& L = lib();
        Held lock(L.mx);
        if (!L.open())
            return fail(BASS_ERROR_INIT, 0);
        if (!out)
            return fail(BASS_ERROR_ILLPARAM, 0);
        // OpenAL Soft hands out the lowest free names, so leaked objects would sit
        // among the first few thousand.
        auto count = [](auto isName) {
            int n = 0;
            for (ALuint name = 1; name <= 4096; ++name)
                n += isName(name) ? 1 : 0;
            return n;
        };
        out->sources = count([](ALuint n) { return alIsSource(n) == AL_TRUE; });
        out->buffers = count([](ALuint n) { return alIsBuffer(n) == AL_TRUE; });
        out->effects = count([](ALuint n) { return alIsEffect(n) == AL_TRUE; });
        out->filters = count([](ALuint n) { return alIsFilter(n) == AL_TRUE; });
        out->slots = count([](ALuint n) { return alIsAuxiliaryEffectSlot(n) == AL_TRUE; });
        const int reverbs = static_cast<int>(L.reverbSlots.size());
        out->processingSlots = reverbs + (L.roomSlot && L.envVol > 0.f ? 1 : 0);
        out->workingSlots = (L.reverbsWorking ? reverbs : 0) + (L.roomActive ? 1 : 0);
        out->threadLooks = L.looks;
        out->syncsQueued = L.syncsQueued;
        out->syncsHandled = L.syncsHandled;
        out->threadWaiting = L.waiting ? 1 : 0;
        return 1;
    });
}

} // extern "C"
