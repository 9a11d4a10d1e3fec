#include "FakeAudio.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace fake {

State& state() {
    static State s;
    return s;
}

void reset() {
    state() = State{};
}

std::vector<Call> calls(const std::string& name) {
    std::vector<Call> out;
    for (const auto& c : state().calls)
        if (c.name == name)
            out.push_back(c);
    return out;
}

void clearCalls() {
    state().calls.clear();
}

Channel& channel(DWORD handle) {
    auto it = state().channels.find(handle);
    if (it == state().channels.end()) {
        ADD_FAILURE() << "no channel " << handle;
        static Channel none;
        return none;
    }
    return it->second;
}

void reachEnd(DWORD handle) {
    Channel& ch = channel(handle);
    if (!(ch.flags & BASS_SAMPLE_LOOP))
        ch.state = BASS_ACTIVE_STOPPED;
    auto syncs = ch.syncs;
    ch.syncs.clear();
    for (const auto& s : syncs)
        if (!(s.type & BASS_SYNC_ONETIME))
            ch.syncs.push_back(s);
    for (const auto& s : syncs)
        s.proc(1, handle, 0, s.user);
}

} // namespace fake

using namespace fake;

namespace {

BOOL ok() {
    state().error = BASS_OK;
    return 1;
}
template <typename T> T failWith(int code, T v) {
    state().error = code;
    return v;
}
void record(const char* name, std::vector<double> args = {}, const char* text = nullptr) {
    state().calls.push_back({name, std::move(args), text ? text : ""});
}
Channel* find(DWORD h) {
    auto it = state().channels.find(h);
    return it == state().channels.end() ? nullptr : &it->second;
}

} // namespace

extern "C" {

DWORD BASS_GetVersion(void) {
    record("BASS_GetVersion");
    return state().version;
}

const char* BASS_GetDeviceDescription(DWORD device) {
    record("BASS_GetDeviceDescription", {double(device)});
    if (device < 1 || device > state().devices.size())
        return nullptr;
    return state().devices[device - 1].name.c_str();
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void* win, const void* reserved) {
    record("BASS_Init",
           {double(device), double(freq), double(flags), win ? 1.0 : 0.0, reserved ? 1.0 : 0.0});
    if (state().openDevice)
        return failWith(BASS_ERROR_ALREADY, 0);
    if (device < 1 || device > int(state().devices.size()))
        return failWith(BASS_ERROR_DEVICE, 0);
    if (!state().devices[device - 1].opens)
        return failWith(BASS_ERROR_DRIVER, 0);
    state().openDevice = device;
    state().hrtfMode = AUDIOLIB_HRTF_AUTO; // as OpenAL Soft decides, until set
    state().hrtfDataSet = -1;
    return ok();
}

BOOL BASS_Stop(void) {
    record("BASS_Stop");
    return state().openDevice ? ok() : failWith(BASS_ERROR_INIT, 0);
}

BOOL BASS_Free(void) {
    record("BASS_Free");
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    state().openDevice = 0;
    state().channels.clear();
    return ok();
}

int BASS_ErrorGetCode(void) {
    return state().error;
}

BOOL BASS_Set3DFactors(float distf, float rollf, float doppf) {
    record("BASS_Set3DFactors", {distf, rollf, doppf});
    return ok();
}

void BASS_Apply3D(void) {
    record("BASS_Apply3D");
    for (auto& [handle, ch] : state().channels)
        ch.heard = ch.pos;
}

BOOL BASS_SetEAXParameters(int env, float vol, float decay, float damp) {
    record("BASS_SetEAXParameters", {double(env), vol, decay, damp});
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    return state().devices[state().openDevice - 1].eax ? ok() : failWith(BASS_ERROR_NOEAX, 0);
}

BOOL BASS_GetEAXParameters(DWORD* env, float* vol, float* decay, float* damp) {
    record("BASS_GetEAXParameters");
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    if (!state().devices[state().openDevice - 1].eax)
        return failWith(BASS_ERROR_NOEAX, 0);
    if (env)
        *env = 0;
    if (vol)
        *vol = 0;
    if (decay)
        *decay = 1;
    if (damp)
        *damp = 1;
    return ok();
}

HPLUGIN BASS_PluginLoad(const char* file, DWORD flags) {
    record("BASS_PluginLoad", {double(flags)}, file);
    auto it = state().plugins.find(file ? file : "");
    if (it == state().plugins.end())
        return failWith<HPLUGIN>(BASS_ERROR_PLUGIN, 0);
    ok();
    return static_cast<HPLUGIN>(0x50000000u + std::distance(state().plugins.begin(), it));
}

const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle) {
    record("BASS_PluginGetInfo", {double(handle)});
    const DWORD index = handle - 0x50000000u;
    if (index >= state().plugins.size())
        return failWith<const BASS_PLUGININFO*>(BASS_ERROR_HANDLE, nullptr);
    auto& p = std::next(state().plugins.begin(), index)->second;
    p.info.formatc = static_cast<DWORD>(p.formats.size());
    p.info.formats = p.formats.data();
    return &p.info;
}

static DWORD openFile(bool music, const char* path, DWORD flags) {
    if (!state().openDevice)
        return failWith<DWORD>(BASS_ERROR_INIT, 0);
    auto it = state().files.find(path ? path : "");
    if (it == state().files.end())
        return failWith<DWORD>(BASS_ERROR_FILEOPEN, 0);
    const FileKind kind = it->second;
    if (kind == FileKind::Broken || music != (kind == FileKind::Module))
        return failWith<DWORD>(BASS_ERROR_FORMAT, 0);
    if (kind == FileKind::Stereo && (flags & BASS_SAMPLE_3D))
        return failWith<DWORD>(BASS_ERROR_NO3D, 0);
    Channel ch;
    ch.music = music;
    ch.chans = kind == FileKind::Stereo ? 2 : 1;
    ch.flags = flags;
    const DWORD h = state().nextHandle++;
    state().channels[h] = ch;
    ok();
    return h;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
    record("BASS_StreamCreateFile", {double(mem), double(offset), double(length), double(flags)},
           static_cast<const char*>(file));
    return openFile(false, static_cast<const char*>(file), flags);
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags,
                      DWORD freq) {
    record("BASS_MusicLoad",
           {double(mem), double(offset), double(length), double(flags), double(freq)},
           static_cast<const char*>(file));
    return openFile(true, static_cast<const char*>(file), flags);
}

static BOOL freeKind(bool music, DWORD h) {
    Channel* ch = find(h);
    if (!ch || ch->music != music)
        return failWith(BASS_ERROR_HANDLE, 0);
    state().channels.erase(h);
    return ok();
}

BOOL BASS_StreamFree(HSTREAM handle) {
    record("BASS_StreamFree", {double(handle)});
    return freeKind(false, handle);
}

BOOL BASS_MusicFree(HMUSIC handle) {
    record("BASS_MusicFree", {double(handle)});
    return freeKind(true, handle);
}

#define CHANNEL_OR_FAIL(h)                                                                         \
    Channel* ch = find(h);                                                                         \
    if (!ch)                                                                                       \
        return failWith(BASS_ERROR_HANDLE, 0);

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    record("BASS_ChannelPlay", {double(handle), double(restart)});
    CHANNEL_OR_FAIL(handle)
    if (restart)
        ch->position = 0;
    ch->state = BASS_ACTIVE_PLAYING;
    return ok();
}

BOOL BASS_ChannelStop(DWORD handle) {
    record("BASS_ChannelStop", {double(handle)});
    CHANNEL_OR_FAIL(handle)
    ch->state = BASS_ACTIVE_STOPPED;
    return ok();
}

BOOL BASS_ChannelPause(DWORD handle) {
    record("BASS_ChannelPause", {double(handle)});
    CHANNEL_OR_FAIL(handle)
    if (ch->state != BASS_ACTIVE_PLAYING)
        return failWith(BASS_ERROR_ILLPARAM, 0);
    ch->state = BASS_ACTIVE_PAUSED;
    return ok();
}

DWORD BASS_ChannelIsActive(DWORD handle) {
    record("BASS_ChannelIsActive", {double(handle)});
    Channel* ch = find(handle);
    return ch ? ch->state : BASS_ACTIVE_STOPPED;
}

DWORD AUDIOLIB_ChannelGetLevel(DWORD handle) {
    Channel* ch = find(handle);
    if (!ch)
        return DWORD(-1);
    return ch->state == BASS_ACTIVE_PLAYING ? ch->level : 0;
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    record("BASS_ChannelGetInfo", {double(handle)});
    CHANNEL_OR_FAIL(handle)
    if (!info)
        return failWith(BASS_ERROR_ILLPARAM, 0);
    *info = BASS_CHANNELINFO{44100, ch->chans, ch->flags, ch->music ? 2u : 1u};
    return ok();
}

BOOL BASS_ChannelSetFlags(DWORD handle, DWORD flags) {
    record("BASS_ChannelSetFlags", {double(handle), double(flags)});
    CHANNEL_OR_FAIL(handle)
    ch->flags = flags;
    return ok();
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos) {
    record("BASS_ChannelSetPosition", {double(handle), double(pos)});
    CHANNEL_OR_FAIL(handle)
    ch->position = pos;
    return ok();
}

QWORD BASS_ChannelGetPosition(DWORD handle) {
    record("BASS_ChannelGetPosition", {double(handle)});
    Channel* ch = find(handle);
    return ch ? ch->position : failWith<QWORD>(BASS_ERROR_HANDLE, ~QWORD(0));
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan) {
    record("BASS_ChannelSetAttributes",
           {double(handle), double(freq), double(volume), double(pan)});
    CHANNEL_OR_FAIL(handle)
    if (volume != -1)
        ch->volume = volume;
    if (pan != -101)
        ch->pan = pan;
    return ok();
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    record("BASS_ChannelGetAttributes", {double(handle)});
    CHANNEL_OR_FAIL(handle)
    if (freq)
        *freq = 44100;
    if (volume)
        *volume = static_cast<DWORD>(ch->volume);
    if (pan)
        *pan = ch->pan;
    return ok();
}

BOOL BASS_ChannelSet3DPosition(DWORD handle, const BASS_3DVECTOR* pos, const BASS_3DVECTOR* orient,
                               const BASS_3DVECTOR* vel) {
    record("BASS_ChannelSet3DPosition", {double(handle), pos ? pos->x : 0.0, pos ? pos->y : 0.0,
                                         pos ? pos->z : 0.0, orient ? 1.0 : 0.0, vel ? 1.0 : 0.0});
    CHANNEL_OR_FAIL(handle)
    if (pos)
        ch->pos = *pos;
    return ok();
}

BOOL BASS_ChannelGet3DPosition(DWORD handle, BASS_3DVECTOR* pos, BASS_3DVECTOR*, BASS_3DVECTOR*) {
    CHANNEL_OR_FAIL(handle)
    if (pos)
        *pos = ch->pos;
    return ok();
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC* proc, void* user) {
    record("BASS_ChannelSetSync",
           {double(handle), double(type), double(param), double(reinterpret_cast<intptr_t>(user))});
    CHANNEL_OR_FAIL(handle)
    ch->syncs.push_back({proc, user, type});
    ok();
    return static_cast<HSYNC>(ch->syncs.size());
}

BOOL BASS_ChannelSetEAXMix(DWORD handle, float mix) {
    record("BASS_ChannelSetEAXMix", {double(handle), mix});
    CHANNEL_OR_FAIL(handle)
    return ok();
}

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority) {
    record("BASS_ChannelSetFX", {double(handle), double(type), double(priority)});
    CHANNEL_OR_FAIL(handle)
    ok();
    return 0x30000000u | handle;
}

BOOL BASS_FXSetParameters(HFX handle, const void* params) {
    const auto* p = static_cast<const BASS_REVERB_PARAMS*>(params);
    record("BASS_FXSetParameters", {double(handle), p ? p->inGain : 0.0, p ? p->reverbMix : 0.0,
                                    p ? p->reverbTime : 0.0, p ? p->highFreqRTRatio : 0.0});
    return ok();
}

BOOL AUDIOLIB_SetHRTF(DWORD mode, int dataset) {
    record("AUDIOLIB_SetHRTF", {double(mode), double(dataset)});
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    if (mode > AUDIOLIB_HRTF_AUTO || dataset < -1 ||
        dataset >= static_cast<int>(state().hrtfDataSets.size()))
        return failWith(BASS_ERROR_ILLPARAM, 0);
    if (state().hrtfResetFails)
        return failWith(BASS_ERROR_DRIVER, 0);
    state().hrtfMode = mode;
    state().hrtfDataSet = dataset;
    return ok();
}

BOOL AUDIOLIB_GetHRTFInfo(AUDIOLIB_HRTF_INFO* info) {
    record("AUDIOLIB_GetHRTFInfo");
    if (!info)
        return failWith(BASS_ERROR_ILLPARAM, 0);
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    const State& s = state();
    DWORD status = AUDIOLIB_HRTF_DISABLED;
    if (s.hrtfMode == AUDIOLIB_HRTF_ON)
        status = s.hrtfSupported ? AUDIOLIB_HRTF_ENABLED : AUDIOLIB_HRTF_UNSUPPORTED_FORMAT;
    else if (s.hrtfMode == AUDIOLIB_HRTF_AUTO && s.headphones)
        status =
            s.hrtfSupported ? AUDIOLIB_HRTF_HEADPHONES_DETECTED : AUDIOLIB_HRTF_UNSUPPORTED_FORMAT;
    const bool active =
        status == AUDIOLIB_HRTF_ENABLED || status == AUDIOLIB_HRTF_HEADPHONES_DETECTED;
    *info = AUDIOLIB_HRTF_INFO{s.hrtfMode,
                               s.hrtfDataSet,
                               active,
                               status,
                               active ? std::max(s.hrtfDataSet, 0) : -1,
                               static_cast<DWORD>(s.hrtfDataSets.size())};
    return ok();
}

const char* AUDIOLIB_GetHRTFName(DWORD index) {
    record("AUDIOLIB_GetHRTFName", {double(index)});
    if (!state().openDevice)
        return failWith<const char*>(BASS_ERROR_INIT, nullptr);
    if (index >= state().hrtfDataSets.size())
        return failWith<const char*>(BASS_ERROR_ILLPARAM, nullptr);
    ok();
    return state().hrtfDataSets[index].c_str();
}

BOOL AUDIOLIB_SetListenerOrientation(const BASS_3DVECTOR* front, const BASS_3DVECTOR* top) {
    if (!front || !top) {
        record("AUDIOLIB_SetListenerOrientation", {front ? 1.0 : 0.0, top ? 1.0 : 0.0});
        return failWith(BASS_ERROR_ILLPARAM, 0);
    }
    record("AUDIOLIB_SetListenerOrientation",
           {front->x, front->y, front->z, top->x, top->y, top->z});
    if (!state().openDevice)
        return failWith(BASS_ERROR_INIT, 0);
    state().listenerFront = *front;
    state().listenerTop = *top;
    return ok();
}

BOOL AUDIOLIB_InitLoopback(DWORD, DWORD) {
    return failWith(BASS_ERROR_NOTAVAIL, 0);
}
BOOL AUDIOLIB_Render(float*, DWORD) {
    return failWith(BASS_ERROR_NOTAVAIL, 0);
}
BOOL AUDIOLIB_SetDirectPath(BOOL) {
    return failWith(BASS_ERROR_NOTAVAIL, 0);
}
BOOL AUDIOLIB_Get3DSpace(float*, float*, BASS_3DVECTOR*, BASS_3DVECTOR*) {
    return failWith(BASS_ERROR_NOTAVAIL, 0);
}
DWORD AUDIOLIB_DecoderOpen(DWORD) {
    return failWith(BASS_ERROR_NOTAVAIL, 0u);
}
DWORD AUDIOLIB_DecoderRead(DWORD, float*, DWORD) {
    return failWith(BASS_ERROR_HANDLE, static_cast<DWORD>(-1));
}
BOOL AUDIOLIB_DecoderFree(DWORD) {
    return failWith(BASS_ERROR_HANDLE, 0);
}

} // extern "C"
