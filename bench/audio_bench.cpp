// The program's heaviest audio load, rendered offline: 32 mono 3D sources
// streamed from files in every stream format (WAV, AIFF, FLAC, Ogg Vorbis,
// MP3 and WavPack through the basswv plug-in), each with the reverb, the room
// environment on, HRTF on, and every source moving every 10 ms.
//
// The same workload is rendered by raw OpenAL Soft from pre-decoded buffers:
// the floor, with one reverb slot for all sources (what the work needs), and
// the way without sharing, with a reverb slot per source. The library, the
// floor and the decoding alone are open together and run in turns of 2 s, so
// the machine's other load meets all three alike. Reported: speed as a multiple of real time and
// CPU seconds (all threads of the process) per second of audio, medians and best rounds, and the
// ratio of ours to the floor; the decoding of the same files on its own, which is the part of the
// cost streaming adds by nature; the CPU an idle library costs on the null output device; the
// export (the program run with --export on a playlist of the 32 sources standing still) against the
// library playing that scene on the null output and rendering it; then the
// peak resident size of processes holding the library idle and with 32
// playing streams.
//
// Prints a table; exits non-zero only when it cannot run, not on missed targets.
//
//   audio_bench [--seconds S] [--rounds N] [--idle-seconds S] [--play-seconds S]
//               [--plugin-dir DIR] [--idle-only]   (only the idle section)
//               [--library-only]   (only the library's moving scene, to profile)
//               [--playing-only]   (only ours, the floor and the decoding)
//   audio_bench --rss FOLDER [--streams N]   (the child that reports VmHWM)

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>

#include "WavPackFiles.h"
#include "audiolib.h"
#include "audiolib_plugin.h"
#include "export/AmbixRenderer.h"

#include <sndfile.h>

#include <dlfcn.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 44100;
constexpr int kSources = 32;
constexpr int kBlock = kRate / 100;  // 10 ms: sources move before every block
constexpr double kFileSeconds = 8.0; // each file loops
constexpr int kRoomEnvironment = EAX_ENVIRONMENT_CONCERTHALL;
constexpr float kRoomVolume = 0.5f;
// The per-source reverb: input gain, mix (dB), time (ms), HF time ratio.
constexpr BASS_REVERB_PARAMS kReverb = {0.f, -10.f, 1200.f, 0.1f};

// ---- Inputs -------------------------------------------------------------------

struct Input {
    std::string path;
    std::string format;
};

std::vector<float> signalFor(int index) {
    // A tone with a slow tremolo over a little noise: enough for the lossy
    // encoders to work on, different for every source.
    std::vector<float> s(static_cast<size_t>(kFileSeconds * kRate));
    std::mt19937 rng(static_cast<unsigned>(index) + 1);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    const double f = 110.0 * std::pow(2.0, index / 12.0);
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / kRate;
        const double tremolo = 0.75 + 0.25 * std::sin(2 * M_PI * (0.5 + 0.1 * index) * t);
        s[i] = static_cast<float>(0.3 * tremolo * std::sin(2 * M_PI * f * t)) + noise(rng);
    }
    return s;
}

bool writeSndfile(const std::string& path, int format, const std::vector<float>& s) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 1;
    info.format = format;
    if (!sf_format_check(&info))
        return false;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const auto n = static_cast<sf_count_t>(s.size());
    const bool ok = sf_writef_float(f, s.data(), n) == n;
    sf_close(f);
    return ok;
}

// Writes the 32 inputs, cycling through the formats; a format this system
// cannot write is skipped with a note.
std::vector<Input> writeInputs(const fs::path& dir) {
    struct Format {
        const char* name;
        const char* ext;
        int sf; // 0: WavPack
    };
    const Format all[] = {
        {"WAV", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
        {"AIFF", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16},
        {"FLAC", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
        {"Ogg", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
        {"WavPack", "wv", 0},
    };
    std::vector<Format> usable;
    for (const Format& f : all) {
        const std::string probe = (dir / (std::string("probe.") + f.ext)).string();
        const std::vector<float> tiny(kRate / 10, 0.f);
        const bool ok = f.sf ? writeSndfile(probe, f.sf, tiny)
                             : testsupport::writeWavPack(probe, tiny, 1, kRate).empty();
        fs::remove(probe);
        if (ok)
            usable.push_back(f);
        else
            std::printf("note: cannot write %s here; left out\n", f.name);
    }
    std::vector<Input> inputs;
    for (int i = 0; i < kSources; ++i) {
        const Format& f = usable[static_cast<size_t>(i) % usable.size()];
        const std::string path = (dir / ("src" + std::to_string(i) + "." + f.ext)).string();
        const auto s = signalFor(i);
        const bool ok = f.sf ? writeSndfile(path, f.sf, s)
                             : testsupport::writeWavPack(path, s, 1, kRate).empty();
        if (!ok) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        inputs.push_back({path, f.name});
    }
    return inputs;
}

// ---- Motion -------------------------------------------------------------------

// Source i's place at time t, in the program's space (+Z in front).
BASS_3DVECTOR placeAt(int i, double t) {
    const double radius = 1.5 + (i % 4);
    const double angle = 2 * M_PI * i / kSources + (0.3 + 0.05 * i) * t;
    return {static_cast<float>(radius * std::cos(angle)), static_cast<float>(0.5 * std::sin(t + i)),
            static_cast<float>(radius * std::sin(angle))};
}

// ---- Measuring ------------------------------------------------------------------

double seconds(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

struct Result {
    double wall = 0, cpu = 0, audio = 0, rms = 0;
    std::string hrtf;
    double speed() const { return audio / wall; }
    double cpuPerSecond() const { return cpu / audio; }
};

std::string hrtfStatus(ALCdevice* device) {
    if (!device)
        return "unknown";
    ALCint status = 0;
    alcGetIntegerv(device, ALC_HRTF_STATUS_SOFT, 1, &status);
    switch (status) {
    case ALC_HRTF_ENABLED_SOFT:
        return "on";
    case ALC_HRTF_REQUIRED_SOFT:
        return "on (required)";
    case ALC_HRTF_DISABLED_SOFT:
        return "OFF";
    default:
        return "OFF (status " + std::to_string(status) + ")";
    }
}

// Runs blocks [first, first + count) of the render loop: moves the sources,
// then renders one block. Times only this loop and adds it to r (sumSq: the
// output's squares, for the RMS).
template <typename Move, typename Render>
void timeBlocks(Result& r, double& sumSq, long first, long count, Move move, Render render) {
    std::vector<float> out(static_cast<size_t>(kBlock) * 2);
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (long b = first; b < first + count; ++b) {
        move(double(b) * kBlock / kRate);
        render(out.data());
        for (float v : out)
            sumSq += double(v) * v;
    }
    r.cpu += seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    r.wall += seconds(CLOCK_MONOTONIC) - wall0;
    r.audio += double(count) * kBlock / kRate;
    r.rms = std::sqrt(sumSq / (r.audio * kRate * 2));
}

// Runs the render loop until audioSeconds are done.
template <typename Move, typename Render>
Result timeLoop(double audioSeconds, Move move, Render render) {
    Result r;
    double sumSq = 0;
    timeBlocks(r, sumSq, 0, std::lround(audioSeconds * kRate / kBlock), move, render);
    return r;
}

// ---- The library ----------------------------------------------------------------

void die(const char* what) {
    std::fprintf(stderr, "%s failed (error %d)\n", what, BASS_ErrorGetCode());
    std::exit(1);
}

// Opens the device and the 32 playing sources, as the program does for a full
// channel table.
std::vector<HSTREAM> openLibrary(const std::vector<Input>& inputs, int streams,
                                 DWORD hrtf = AUDIOLIB_HRTF_ON) {
    if (!AUDIOLIB_InitLoopback(kRate, hrtf))
        die("AUDIOLIB_InitLoopback");
    BASS_Set3DFactors(1.f, 1.f, 1.f);
    if (!BASS_SetEAXParameters(kRoomEnvironment, kRoomVolume, -1.f, -1.f))
        die("BASS_SetEAXParameters");
    std::vector<HSTREAM> handles;
    for (int i = 0; i < streams; ++i) {
        const Input& in = inputs[static_cast<size_t>(i) % inputs.size()];
        const HSTREAM h = BASS_StreamCreateFile(
            false, in.path.c_str(), 0, 0, BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D);
        if (!h)
            die(("BASS_StreamCreateFile " + in.path).c_str());
        const HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
        if (!fx || !BASS_FXSetParameters(fx, &kReverb))
            die("BASS_ChannelSetFX");
        const BASS_3DVECTOR pos = placeAt(i, 0);
        BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
        handles.push_back(h);
    }
    BASS_Apply3D();
    for (HSTREAM h : handles)
        if (!BASS_ChannelPlay(h, false))
            die("BASS_ChannelPlay");
    return handles;
}

void moveLibrary(const std::vector<HSTREAM>& handles, double t) {
    for (int i = 0; i < kSources; ++i) {
        const BASS_3DVECTOR pos = placeAt(i, t);
        BASS_ChannelSet3DPosition(handles[static_cast<size_t>(i)], &pos, nullptr, nullptr);
    }
    BASS_Apply3D();
}

void renderLibrary(float* out) {
    if (!AUDIOLIB_Render(out, kBlock))
        die("AUDIOLIB_Render");
}

Result runLibrary(const std::vector<Input>& inputs, double audioSeconds) {
    const auto handles = openLibrary(inputs, kSources);
    Result r = timeLoop(
        audioSeconds, [&](double t) { moveLibrary(handles, t); }, renderLibrary);
    // The library keeps its context current; ask its device what it runs.
    ALCcontext* ctx = alcGetCurrentContext();
    r.hrtf = hrtfStatus(ctx ? alcGetContextsDevice(ctx) : nullptr);
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    return r;
}

// The same moving scene encoded to AmbiX by the export's own encoder: the
// device renders only the room and the reverbs (no HRTF), the encoder the
// sources from their decode-only twins.
Result runAmbix(const std::vector<Input>& inputs, double audioSeconds, int order) {
    const auto handles = openLibrary(inputs, kSources, AUDIOLIB_HRTF_OFF);
    Result r;
    {
        TAmbixRenderer encoder(std::vector<DWORD>(handles.begin(), handles.end()), order);
        if (!encoder.Error().empty())
            die(encoder.Error().c_str());
        const auto k = static_cast<size_t>(encoder.Channels());
        std::vector<float> out(static_cast<size_t>(kBlock) * k);
        const long blocks = std::lround(audioSeconds * kRate / kBlock);
        double sum = 0;
        const double wall0 = seconds(CLOCK_MONOTONIC);
        const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
        for (long b = 0; b < blocks; ++b) {
            const double t = double(b) * kBlock / kRate;
            for (int i = 0; i < kSources; ++i) {
                const BASS_3DVECTOR pos = placeAt(i, t);
                BASS_ChannelSet3DPosition(handles[static_cast<size_t>(i)], &pos, nullptr, nullptr);
            }
            BASS_Apply3D();
            if (!encoder.Render(out.data(), kBlock))
                die("TAmbixRenderer::Render");
            for (size_t f = 0; f < static_cast<size_t>(kBlock); ++f)
                sum += double(out[f * k]) * out[f * k];
        }
        r.cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        r.wall = seconds(CLOCK_MONOTONIC) - wall0;
        r.audio = double(blocks) * kBlock / kRate;
        r.rms = std::sqrt(sum / (double(blocks) * kBlock)); // of W
        r.hrtf = "-";
    }
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    return r;
}

// ---- The baseline: raw OpenAL Soft ---------------------------------------------------

std::vector<float> decodeWithSndfile(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f || info.channels != 1)
        return {};
    std::vector<float> s(static_cast<size_t>(info.frames));
    s.resize(static_cast<size_t>(sf_readf_float(f, s.data(), info.frames)));
    sf_close(f);
    return s;
}

std::vector<float> decodeWithPlugin(const std::string& plugin, const std::string& path) {
    void* module = dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return {};
    auto entry = reinterpret_cast<AUDIOLIB_GetPluginFn>(dlsym(module, AUDIOLIB_PLUGIN_ENTRY_NAME));
    const AUDIOLIB_PLUGIN* p = entry ? entry() : nullptr;
    DWORD rate = 0, chans = 0;
    void* d = p ? p->open(path.c_str(), &rate, &chans) : nullptr;
    std::vector<float> s;
    if (d && chans == 1) {
        std::vector<float> block(4096);
        long n;
        while ((n = p->read(d, block.data(), 4096)) > 0)
            s.insert(s.end(), block.begin(), block.begin() + n);
    }
    if (d)
        p->close(d);
    dlclose(module);
    return s;
}

struct Baseline {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    ALuint roomSlot = 0, roomEffect = 0;
    std::vector<ALuint> sources, buffers, slots, effects, filters;
};

void loadPreset(ALuint effect, const EFXEAXREVERBPROPERTIES& p) {
    alEffecti(effect, AL_EFFECT_TYPE, AL_EFFECT_EAXREVERB);
    alEffectf(effect, AL_EAXREVERB_DENSITY, p.flDensity);
    alEffectf(effect, AL_EAXREVERB_DIFFUSION, p.flDiffusion);
    alEffectf(effect, AL_EAXREVERB_GAIN, p.flGain);
    alEffectf(effect, AL_EAXREVERB_GAINHF, p.flGainHF);
    alEffectf(effect, AL_EAXREVERB_GAINLF, p.flGainLF);
    alEffectf(effect, AL_EAXREVERB_DECAY_TIME, p.flDecayTime);
    alEffectf(effect, AL_EAXREVERB_DECAY_HFRATIO, p.flDecayHFRatio);
    alEffectf(effect, AL_EAXREVERB_DECAY_LFRATIO, p.flDecayLFRatio);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
    alEffectf(effect, AL_EAXREVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
    alEffectfv(effect, AL_EAXREVERB_REFLECTIONS_PAN, p.flReflectionsPan);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
    alEffectf(effect, AL_EAXREVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
    alEffectfv(effect, AL_EAXREVERB_LATE_REVERB_PAN, p.flLateReverbPan);
    alEffectf(effect, AL_EAXREVERB_ECHO_TIME, p.flEchoTime);
    alEffectf(effect, AL_EAXREVERB_ECHO_DEPTH, p.flEchoDepth);
    alEffectf(effect, AL_EAXREVERB_MODULATION_TIME, p.flModulationTime);
    alEffectf(effect, AL_EAXREVERB_MODULATION_DEPTH, p.flModulationDepth);
    alEffectf(effect, AL_EAXREVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
    alEffectf(effect, AL_EAXREVERB_HFREFERENCE, p.flHFReference);
    alEffectf(effect, AL_EAXREVERB_LFREFERENCE, p.flLFReference);
    alEffectf(effect, AL_EAXREVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
    alEffecti(effect, AL_EAXREVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
}

// sharedSlot: one reverb slot fed by every source (the floor); else a slot
// per source.
Baseline openBaseline(const std::vector<std::vector<float>>& pcm, bool sharedSlot) {
    Baseline b;
    b.device = alcLoopbackOpenDeviceSOFT(nullptr);
    const ALCint attrs[] = {ALC_FORMAT_CHANNELS_SOFT,
                            ALC_STEREO_SOFT,
                            ALC_FORMAT_TYPE_SOFT,
                            ALC_FLOAT_SOFT,
                            ALC_FREQUENCY,
                            kRate,
                            ALC_HRTF_SOFT,
                            ALC_TRUE,
                            ALC_OUTPUT_LIMITER_SOFT,
                            ALC_TRUE,
                            ALC_MAX_AUXILIARY_SENDS,
                            2,
                            0};
    b.context = b.device ? alcCreateContext(b.device, attrs) : nullptr;
    if (!b.context || !alcMakeContextCurrent(b.context)) {
        std::fprintf(stderr, "baseline: cannot open an OpenAL loopback device\n");
        std::exit(1);
    }

    alGenAuxiliaryEffectSlots(1, &b.roomSlot);
    alGenEffects(1, &b.roomEffect);
    const EFXEAXREVERBPROPERTIES room = EFX_REVERB_PRESET_CONCERTHALL;
    loadPreset(b.roomEffect, room);
    alAuxiliaryEffectSloti(b.roomSlot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(b.roomEffect));
    alAuxiliaryEffectSlotf(b.roomSlot, AL_EFFECTSLOT_GAIN, kRoomVolume);

    const auto n = static_cast<ALsizei>(pcm.size());
    const size_t slotCount = sharedSlot ? 1 : pcm.size();
    b.sources.resize(pcm.size());
    b.buffers.resize(pcm.size());
    b.slots.resize(slotCount);
    b.effects.resize(slotCount);
    b.filters.resize(pcm.size());
    alGenSources(n, b.sources.data());
    alGenBuffers(n, b.buffers.data());
    alGenAuxiliaryEffectSlots(static_cast<ALsizei>(slotCount), b.slots.data());
    alGenEffects(static_cast<ALsizei>(slotCount), b.effects.data());
    alGenFilters(n, b.filters.data());
    for (size_t i = 0; i < slotCount; ++i) {
        alEffecti(b.effects[i], AL_EFFECT_TYPE, AL_EFFECT_REVERB);
        alEffectf(b.effects[i], AL_REVERB_DECAY_TIME, kReverb.reverbTime / 1000.f);
        alEffectf(b.effects[i], AL_REVERB_DECAY_HFRATIO, std::max(kReverb.highFreqRTRatio, 0.1f));
        alAuxiliaryEffectSloti(b.slots[i], AL_EFFECTSLOT_EFFECT, static_cast<ALint>(b.effects[i]));
        alAuxiliaryEffectSlotf(b.slots[i], AL_EFFECTSLOT_GAIN,
                               std::pow(10.f, kReverb.reverbMix / 20.f));
    }
    for (size_t i = 0; i < pcm.size(); ++i) {
        alBufferData(b.buffers[i], AL_FORMAT_MONO_FLOAT32, pcm[i].data(),
                     static_cast<ALsizei>(pcm[i].size() * sizeof(float)), kRate);
        const ALuint slot = b.slots[sharedSlot ? 0 : i];

        const ALuint s = b.sources[i];
        alSourcei(s, AL_BUFFER, static_cast<ALint>(b.buffers[i]));
        alSourcei(s, AL_LOOPING, AL_TRUE);
        alSource3i(s, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(b.roomSlot), 0, AL_FILTER_NULL);
        // The reverb's input gain, as a filter on its send.
        alFilteri(b.filters[i], AL_FILTER_TYPE, AL_FILTER_LOWPASS);
        alFilterf(b.filters[i], AL_LOWPASS_GAIN, std::pow(10.f, kReverb.inGain / 20.f));
        alFilterf(b.filters[i], AL_LOWPASS_GAINHF, 1.f);
        alSource3i(s, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(slot), 1,
                   static_cast<ALint>(b.filters[i]));
        const BASS_3DVECTOR p = placeAt(static_cast<int>(i), 0);
        alSource3f(s, AL_POSITION, p.x, p.y, -p.z);
    }
    alSourcePlayv(n, b.sources.data());
    if (alGetError() != AL_NO_ERROR) {
        std::fprintf(stderr, "baseline: OpenAL set-up failed\n");
        std::exit(1);
    }
    return b;
}

void closeBaseline(Baseline& b) {
    alSourceStopv(static_cast<ALsizei>(b.sources.size()), b.sources.data());
    alDeleteSources(static_cast<ALsizei>(b.sources.size()), b.sources.data());
    alDeleteAuxiliaryEffectSlots(static_cast<ALsizei>(b.slots.size()), b.slots.data());
    alDeleteAuxiliaryEffectSlots(1, &b.roomSlot);
    alDeleteEffects(static_cast<ALsizei>(b.effects.size()), b.effects.data());
    alDeleteEffects(1, &b.roomEffect);
    alDeleteFilters(static_cast<ALsizei>(b.filters.size()), b.filters.data());
    alDeleteBuffers(static_cast<ALsizei>(b.buffers.size()), b.buffers.data());
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(b.context);
    alcCloseDevice(b.device);
}

void moveBaseline(const Baseline& b, double t) {
    alDeferUpdatesSOFT();
    for (int i = 0; i < kSources; ++i) {
        const BASS_3DVECTOR p = placeAt(i, t);
        alSource3f(b.sources[static_cast<size_t>(i)], AL_POSITION, p.x, p.y, -p.z);
    }
    alProcessUpdatesSOFT();
}

Result runBaseline(const std::vector<std::vector<float>>& pcm, double audioSeconds,
                   bool sharedSlot) {
    Baseline b = openBaseline(pcm, sharedSlot);
    Result r = timeLoop(
        audioSeconds, [&](double t) { moveBaseline(b, t); },
        [&](float* out) { alcRenderSamplesSOFT(b.device, out, kBlock); });
    r.hrtf = hrtfStatus(b.device);
    closeBaseline(b);
    return r;
}

// ---- Decoding alone -------------------------------------------------------------------

// What streaming must spend that the baseline does not: decoding every input
// (looping), in 10 ms reads, with nothing else.
class DecodeOnly {
public:
    DecodeOnly(const std::vector<Input>& inputs, const std::string& plugin)
        : module_(dlopen(plugin.c_str(), RTLD_NOW | RTLD_LOCAL)), block_(kBlock) {
        auto entry =
            module_
                ? reinterpret_cast<AUDIOLIB_GetPluginFn>(dlsym(module_, AUDIOLIB_PLUGIN_ENTRY_NAME))
                : nullptr;
        p_ = entry ? entry() : nullptr;
        for (const Input& in : inputs) {
            Open o;
            if (in.format == "WavPack") {
                DWORD rate = 0, chans = 0;
                o.wv = p_ ? p_->open(in.path.c_str(), &rate, &chans) : nullptr;
            } else {
                SF_INFO info{};
                o.sf = sf_open(in.path.c_str(), SFM_READ, &info);
            }
            if (!o.sf && !o.wv) {
                std::fprintf(stderr, "cannot decode %s\n", in.path.c_str());
                std::exit(1);
            }
            open_.push_back(o);
        }
    }
    ~DecodeOnly() {
        for (Open& o : open_) {
            if (o.sf)
                sf_close(o.sf);
            if (o.wv)
                p_->close(o.wv);
        }
        if (module_)
            dlclose(module_);
    }
    DecodeOnly(const DecodeOnly&) = delete;
    DecodeOnly& operator=(const DecodeOnly&) = delete;

    void render(float* out) {
        for (Open& o : open_) {
            if (o.sf && sf_readf_float(o.sf, block_.data(), kBlock) < kBlock)
                sf_seek(o.sf, 0, SEEK_SET);
            if (o.wv && p_->read(o.wv, block_.data(), kBlock) < kBlock)
                p_->rewind(o.wv);
        }
        std::fill(out, out + 2 * kBlock, 0.f);
    }

private:
    struct Open {
        SNDFILE* sf = nullptr;
        void* wv = nullptr;
    };
    void* module_;
    const AUDIOLIB_PLUGIN* p_ = nullptr;
    std::vector<Open> open_;
    std::vector<float> block_;
};

// The three lines of the playing comparison in one go: the floor, the library
// and the decoding alone, all three open throughout and run in turns of
// kTurnSeconds, so that a change in the machine's load meets them alike.
constexpr double kTurnSeconds = 2.0;

struct Playing {
    Result floor, ours, decode;
};

Playing runPlaying(const std::vector<Input>& inputs, const std::vector<std::vector<float>>& pcm,
                   const std::string& plugin, double audioSeconds) {
    Baseline b = openBaseline(pcm, true); // its context current
    const auto handles = openLibrary(inputs, kSources);
    // The library keeps its context current; the floor's is made current for
    // its turns only.
    ALCcontext* const libraryContext = alcGetCurrentContext();
    Playing r;
    {
        DecodeOnly decoding(inputs, plugin);
        double floorSq = 0, oursSq = 0, decodeSq = 0;
        const long blocks = std::lround(audioSeconds * kRate / kBlock);
        const long turn = std::lround(kTurnSeconds * kRate / kBlock);
        for (long first = 0; first < blocks; first += turn) {
            const long n = std::min(turn, blocks - first);
            alcMakeContextCurrent(b.context);
            timeBlocks(
                r.floor, floorSq, first, n, [&](double t) { moveBaseline(b, t); },
                [&](float* out) { alcRenderSamplesSOFT(b.device, out, kBlock); });
            alcMakeContextCurrent(libraryContext);
            timeBlocks(
                r.ours, oursSq, first, n, [&](double t) { moveLibrary(handles, t); },
                renderLibrary);
            timeBlocks(
                r.decode, decodeSq, first, n, [](double) {},
                [&](float* out) { decoding.render(out); });
        }
    }
    r.ours.hrtf = hrtfStatus(alcGetContextsDevice(libraryContext));
    r.floor.hrtf = hrtfStatus(b.device);
    r.decode.hrtf = "-";
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    alcMakeContextCurrent(b.context);
    closeBaseline(b);
    return r;
}

// ---- Idle ---------------------------------------------------------------------------

// How the idle channels are left.
enum class IdleScene {
    Stopped, // stopped, as the program leaves them with the reverb level at 0 and the room "Off"
    Paused,  // played, then paused, with the reverb level at 10 and the room on
};

// CPU seconds (every thread) per second of wall time while the library sits on
// OpenAL Soft's null output, which mixes in real time, holding `loaded`
// channels left as the scene says.
double runIdle(const std::vector<Input>& inputs, int loaded, double wallSeconds,
               IdleScene scene = IdleScene::Stopped) {
    if (!BASS_Init(1, kRate, BASS_DEVICE_3D, nullptr, nullptr))
        die("BASS_Init");
    BASS_Set3DFactors(1.f, 1.f, 1.f);
    const bool paused = scene == IdleScene::Paused;
    if (paused)
        BASS_SetEAXParameters(kRoomEnvironment, kRoomVolume, -1.f, -1.f);
    else
        BASS_SetEAXParameters(-1, 0.f, -1.f, -1.f);
    // The program's reverb mix at a track-bar level: 48 log10(level / 20) dB.
    const BASS_REVERB_PARAMS levelZero = {0.f, -96.f, 1200.f, 0.1f};
    const BASS_REVERB_PARAMS levelTen = {0.f, static_cast<float>(48 * std::log10(10 / 20.0)),
                                         1200.f, 0.1f};
    std::vector<HSTREAM> handles;
    for (int i = 0; i < loaded; ++i) {
        const Input& in = inputs[static_cast<size_t>(i) % inputs.size()];
        const HSTREAM h = BASS_StreamCreateFile(
            false, in.path.c_str(), 0, 0, BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D);
        if (!h)
            die(("BASS_StreamCreateFile " + in.path).c_str());
        BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_REVERB, 2),
                             paused ? &levelTen : &levelZero);
        if (!paused)
            BASS_ChannelSetEAXMix(h, 0.f);
        const BASS_3DVECTOR pos = placeAt(i, 0);
        BASS_ChannelSet3DPosition(h, &pos, nullptr, nullptr);
        handles.push_back(h);
    }
    BASS_Apply3D();
    if (paused) {
        for (HSTREAM h : handles)
            BASS_ChannelPlay(h, 0);
        usleep(300000);
        for (HSTREAM h : handles)
            BASS_ChannelPause(h);
        // What rings on after the pause dies away (the concert hall's decay
        // is about 4 s) before the measure.
        usleep(6000000);
    }
    usleep(300000); // let start-up work settle
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    usleep(static_cast<useconds_t>(wallSeconds * 1e6));
    const double cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    const double wall = seconds(CLOCK_MONOTONIC) - wall0;
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    return cpu / wall;
}

// ---- Export ---------------------------------------------------------------------------

// The export renders a playlist through the loopback device and encodes it. Its
// cost is compared with the library's playing cost for the same scene: the 32
// inputs standing where the playlist puts them, looping, the reverb at level
// 12 (mix -10.6 dB), the room "Concert Hall", HRTF on, rendered in the
// export's blocks of 1024 frames with nothing encoded.
constexpr int kExportReverbLevel = 12;
constexpr int kExportBlock = 1024;

std::string writeExportPlaylist(const fs::path& dir, const std::vector<Input>& inputs) {
    const std::string path = (dir / "scene.pna").string();
    std::ofstream out(path, std::ios::binary);
    out << "#PNAPEffect " << kExportReverbLevel << "," << kRoomEnvironment + 1 << "\r\n";
    for (size_t i = 0; i < inputs.size(); ++i) {
        const BASS_3DVECTOR p = placeAt(static_cast<int>(i), 0);
        // Inside the coordinate range the program edits (+-2.5 m).
        out << "#PNAPParam " << std::clamp(p.x, -2.5f, 2.5f) << "," << std::clamp(p.y, -2.5f, 2.5f)
            << "," << std::clamp(p.z, -2.5f, 2.5f) << "\r\n"
            << inputs[i].path << "\r\n";
    }
    return path;
}

// Opens the scene on the open device and starts it.
std::vector<HSTREAM> openStaticScene(const std::vector<Input>& inputs) {
    BASS_Set3DFactors(1.f, 1.f, 1.f);
    // The playlist's room: the "Concert Hall" preset.
    BASS_SetEAXParameters(kRoomEnvironment, 0.5f, 3.92f, 0.7f);
    const BASS_REVERB_PARAMS reverb = {
        0.f, static_cast<float>(48 * std::log10(kExportReverbLevel / 20.0)), 1200.f, 0.1f};
    std::vector<HSTREAM> handles;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const HSTREAM h =
            BASS_StreamCreateFile(false, inputs[i].path.c_str(), 0, 0,
                                  BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D);
        if (!h)
            die(("BASS_StreamCreateFile " + inputs[i].path).c_str());
        BASS_3DVECTOR p = placeAt(static_cast<int>(i), 0);
        p = {std::clamp(p.x, -2.5f, 2.5f), std::clamp(p.y, -2.5f, 2.5f),
             std::clamp(p.z, -2.5f, 2.5f)};
        BASS_ChannelSet3DPosition(h, &p, nullptr, nullptr);
        BASS_FXSetParameters(BASS_ChannelSetFX(h, BASS_FX_REVERB, 2), &reverb);
        handles.push_back(h);
    }
    BASS_Apply3D();
    for (HSTREAM h : handles)
        BASS_ChannelPlay(h, false);
    return handles;
}

std::string closeStaticScene(const std::vector<HSTREAM>& handles) {
    AUDIOLIB_HRTF_INFO info{};
    AUDIOLIB_GetHRTFInfo(&info);
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    return info.active ? "on" : "OFF";
}

// The scene rendered on the loopback device in the export's blocks, nothing
// encoded.
Result runStaticScene(const std::vector<Input>& inputs, double audioSeconds) {
    if (!AUDIOLIB_InitLoopback(kRate, AUDIOLIB_HRTF_ON))
        die("AUDIOLIB_InitLoopback");
    const auto handles = openStaticScene(inputs);
    const long blocks = std::lround(audioSeconds * kRate / kExportBlock);
    std::vector<float> out(static_cast<size_t>(kExportBlock) * 2);
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    for (long b = 0; b < blocks; ++b)
        AUDIOLIB_Render(out.data(), kExportBlock);
    Result r;
    r.cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    r.wall = seconds(CLOCK_MONOTONIC) - wall0;
    r.audio = double(blocks) * kExportBlock / kRate;
    r.hrtf = closeStaticScene(handles);
    return r;
}

// The scene as the program plays it: on an output device (OpenAL Soft's null
// output, which mixes in real time), for wallSeconds.
Result runStaticScenePlaying(const std::vector<Input>& inputs, double wallSeconds) {
    if (!BASS_Init(1, kRate, BASS_DEVICE_3D, nullptr, nullptr))
        die("BASS_Init");
    AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, -1);
    const auto handles = openStaticScene(inputs);
    usleep(300000); // past the start
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const double cpu0 = seconds(CLOCK_PROCESS_CPUTIME_ID);
    usleep(static_cast<useconds_t>(wallSeconds * 1e6));
    Result r;
    r.cpu = seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
    r.wall = seconds(CLOCK_MONOTONIC) - wall0;
    r.audio = r.wall;
    r.hrtf = closeStaticScene(handles);
    return r;
}

// The program's export as a child process: wall time, and the child's CPU time
// from its resource usage. Start-up and loading are included.
Result runExport(const std::string& program, const std::string& playlist, const fs::path& out,
                 const char* format, double audioSeconds) {
    char secondsText[32];
    std::snprintf(secondsText, sizeof secondsText, "%.3f", audioSeconds);
    const std::string cmd = "'" + program + "' --export '" + out.string() + "' --format " + format +
                            " --hrtf on --loop --seconds " + secondsText + " '" + playlist +
                            "' >/dev/null";
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const double wall0 = seconds(CLOCK_MONOTONIC);
    const int status = std::system(cmd.c_str());
    Result r;
    r.wall = seconds(CLOCK_MONOTONIC) - wall0;
    getrusage(RUSAGE_CHILDREN, &after);
    if (status != 0)
        die(("export: " + cmd).c_str());
    auto cpuOf = [](const rusage& u) {
        return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
    };
    r.cpu = cpuOf(after) - cpuOf(before);
    r.audio = audioSeconds;
    r.hrtf = "on";
    fs::remove(out);
    return r;
}

// ---- Peak memory ----------------------------------------------------------------------

long peakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// The child: opens the library with `streams` playing streams from the inputs
// in folder, renders two seconds, and prints its peak resident size.
int rssChild(const fs::path& folder, const std::string& pluginDir, int streams) {
    if (!BASS_PluginLoad((pluginDir + "/basswv.so").c_str(), 0))
        die("BASS_PluginLoad");
    std::vector<Input> inputs;
    for (int i = 0; i < kSources; ++i)
        for (const char* ext : {"wav", "aiff", "flac", "ogg", "mp3", "wv"})
            if (fs::exists(folder / ("src" + std::to_string(i) + "." + ext)))
                inputs.push_back(
                    {(folder / ("src" + std::to_string(i) + "." + ext)).string(), ext});
    if (inputs.empty())
        die("no inputs");
    const auto handles = openLibrary(inputs, streams);
    std::vector<float> out(static_cast<size_t>(kBlock) * 2);
    for (int b = 0; b < 200; ++b) {
        for (size_t i = 0; i < handles.size(); ++i) {
            const BASS_3DVECTOR pos = placeAt(static_cast<int>(i), b * 0.01);
            BASS_ChannelSet3DPosition(handles[i], &pos, nullptr, nullptr);
        }
        BASS_Apply3D();
        AUDIOLIB_Render(out.data(), kBlock);
    }
    std::printf("%ld\n", peakRssKb());
    for (HSTREAM h : handles)
        BASS_StreamFree(h);
    BASS_Free();
    return 0;
}

long measureRss(const std::string& folder, const std::string& pluginDir, int streams) {
    const std::string cmd = "'" + fs::read_symlink("/proc/self/exe").string() + "' --rss '" +
                            folder + "' --plugin-dir '" + pluginDir + "' --streams " +
                            std::to_string(streams);
    FILE* p = popen(cmd.c_str(), "r");
    if (!p)
        return -1;
    long kb = -1;
    if (std::fscanf(p, "%ld", &kb) != 1)
        kb = -1;
    pclose(p);
    return kb;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void printIdle(double idleSeconds, const std::vector<double>& empty,
               const std::vector<double>& stopped, const std::vector<double>& paused) {
    const double base = median(empty);
    std::printf("\n\nIdle on the null output, CPU s per wall s (%.0f s per run, medians):\n",
                idleSeconds);
    std::printf("  %-46s %8.4f\n", "library open, nothing loaded", base);
    // Idle channels should cost what the empty library costs, within 10%.
    auto line = [&](const char* name, double v) {
        const bool met = v <= base * 1.1;
        std::printf("  %-46s %8.4f %s\n", name, v,
                    met ? "(target within 10% of nothing loaded: met)"
                        : "(target within 10% of nothing loaded: MISSED)");
    };
    line("32 loaded, stopped; reverb level 0, room Off", median(stopped));
    line("32 loaded, paused, reverb 10, room on", median(paused));
}

} // namespace

int main(int argc, char** argv) {
    // Offline rendering needs no sound card; keep OpenAL Soft off the real ones.
    setenv("ALSOFT_DRIVERS", "null", 0);

    double audioSeconds = 20;
    double idleSeconds = 2;
    double playSeconds = 5;
    int rounds = 3;
    int streams = kSources;
    std::string rssFolder;
    bool idleOnly = false;
    bool libraryOnly = false; // only the library's render, for a profiler
    bool playingOnly = false; // only the three lines of the playing comparison
    std::string pluginDir = fs::read_symlink("/proc/self/exe").parent_path().string();
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--seconds" && hasValue)
            audioSeconds = std::atof(argv[++i]);
        else if (a == "--rounds" && hasValue)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (a == "--idle-seconds" && hasValue)
            idleSeconds = std::max(0.1, std::atof(argv[++i]));
        else if (a == "--play-seconds" && hasValue)
            playSeconds = std::max(0.5, std::atof(argv[++i]));
        else if (a == "--plugin-dir" && hasValue)
            pluginDir = argv[++i];
        else if (a == "--rss" && hasValue)
            rssFolder = argv[++i];
        else if (a == "--streams" && hasValue)
            streams = std::max(0, std::atoi(argv[++i]));
        else if (a == "--idle-only")
            idleOnly = true;
        else if (a == "--library-only")
            libraryOnly = true;
        else if (a == "--playing-only")
            playingOnly = true;
        else {
            std::fprintf(
                stderr,
                "usage: %s [--seconds S] [--rounds N] [--idle-seconds S] [--play-seconds S]\n"
                "          [--plugin-dir DIR] [--idle-only] [--library-only] [--playing-only]\n"
                "       %s --rss FOLDER [--streams N] [--plugin-dir DIR]\n",
                argv[0], argv[0]);
            return 2;
        }
    }
    if (!rssFolder.empty())
        return rssChild(rssFolder, pluginDir, streams);

    char tmpl[] = "/tmp/audio-bench-XXXXXX";
    if (!mkdtemp(tmpl)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path dir = tmpl;
    std::printf("Writing %d inputs of %.0f s each...\n", kSources, kFileSeconds);
    const auto inputs = writeInputs(dir);

    const std::string plugin = pluginDir + "/basswv.so";
    if (!BASS_PluginLoad(plugin.c_str(), 0))
        die(("BASS_PluginLoad " + plugin).c_str());

    std::vector<std::vector<float>> pcm;
    for (const Input& in : inputs) {
        pcm.push_back(in.format == "WavPack" ? decodeWithPlugin(plugin, in.path)
                                             : decodeWithSndfile(in.path));
        if (pcm.back().empty()) {
            std::fprintf(stderr, "baseline: cannot decode %s\n", in.path.c_str());
            return 1;
        }
    }

    std::vector<double> idleEmpty, idleLoaded, idlePaused;
    if (idleOnly) {
        for (int round = 0; round < rounds; ++round) {
            idleEmpty.push_back(runIdle(inputs, 0, idleSeconds));
            idleLoaded.push_back(runIdle(inputs, kSources, idleSeconds));
            idlePaused.push_back(runIdle(inputs, kSources, idleSeconds, IdleScene::Paused));
        }
        printIdle(idleSeconds, idleEmpty, idleLoaded, idlePaused);
        fs::remove_all(dir);
        return 0;
    }
    if (libraryOnly) {
        for (int round = 0; round < rounds; ++round) {
            const Result r = runLibrary(inputs, audioSeconds);
            std::printf("audiolib (streamed): %.1f x real time, %.4f CPU s / audio s\n", r.speed(),
                        r.cpuPerSecond());
        }
        fs::remove_all(dir);
        return 0;
    }
    const std::string program = pluginDir + "/phonaraplayer";
    const bool canExport = fs::exists(program);
    const std::string scene = writeExportPlaylist(dir, inputs);
    std::vector<Result> ambix3, ours, atFloor, perSource, decode, staticScene, staticPlaying,
        exportWav, exportFlac;
    for (int round = 0; round < rounds; ++round) {
        std::printf("Round %d of %d...\n", round + 1, rounds);
        std::fflush(stdout);
        const Playing playing = runPlaying(inputs, pcm, plugin, audioSeconds);
        atFloor.push_back(playing.floor);
        ours.push_back(playing.ours);
        decode.push_back(playing.decode);
        if (playingOnly)
            continue;
        ambix3.push_back(runAmbix(inputs, audioSeconds, 3));
        perSource.push_back(runBaseline(pcm, audioSeconds, false));
        idleEmpty.push_back(runIdle(inputs, 0, idleSeconds));
        idleLoaded.push_back(runIdle(inputs, kSources, idleSeconds));
        idlePaused.push_back(runIdle(inputs, kSources, idleSeconds, IdleScene::Paused));
        if (canExport) {
            staticScene.push_back(runStaticScene(inputs, audioSeconds));
            staticPlaying.push_back(runStaticScenePlaying(inputs, playSeconds));
            exportWav.push_back(runExport(program, scene, dir / "out.wav", "wav16", audioSeconds));
            exportFlac.push_back(
                runExport(program, scene, dir / "out.flac", "flac16", audioSeconds));
        }
    }

    const long idleKb = playingOnly ? 0 : measureRss(dir.string(), pluginDir, 0);
    const long fullKb = playingOnly ? 0 : measureRss(dir.string(), pluginDir, kSources);
    fs::remove_all(dir);

    auto collect = [](const std::vector<Result>& rs, double (Result::*f)() const) {
        std::vector<double> v;
        for (const Result& r : rs)
            v.push_back((r.*f)());
        return median(v);
    };
    auto rmsOf = [](const std::vector<Result>& rs) {
        std::vector<double> v;
        for (const Result& r : rs)
            v.push_back(r.rms);
        return median(v);
    };

    std::string mix;
    {
        std::vector<std::pair<std::string, int>> counts;
        for (const Input& in : inputs) {
            auto it = std::find_if(counts.begin(), counts.end(),
                                   [&](const auto& c) { return c.first == in.format; });
            if (it == counts.end())
                counts.push_back({in.format, 1});
            else
                ++it->second;
        }
        for (const auto& [name, count] : counts)
            mix += (mix.empty() ? "" : ", ") + name + " " + std::to_string(count);
    }

    const double oursCpu = collect(ours, &Result::cpuPerSecond);
    const double floorCpu = collect(atFloor, &Result::cpuPerSecond);
    const double perSourceCpu = collect(perSource, &Result::cpuPerSecond);
    const double ratio = oursCpu / floorCpu;

    std::printf("\nWorkload: %d mono 3D sources at %d Hz (%s), looping; the reverb on\n"
                "every source (mix %.0f dB, %.0f ms); room environment %d at volume %.1f; HRTF\n"
                "requested; all sources moved every %d ms; %.0f s of audio per run, %d rounds,\n"
                "medians. CPU time counts every thread of the process.\n\n",
                kSources, kRate, mix.c_str(), kReverb.reverbMix, kReverb.reverbTime,
                kRoomEnvironment, kRoomVolume, kBlock * 1000 / kRate, audioSeconds, rounds);
    std::printf("%-36s %11s %16s %8s %5s\n", "", "x real time", "CPU s / audio s", "out RMS",
                "HRTF");
    auto row = [&](const char* name, const std::vector<Result>& rs) {
        std::printf("%-36s %11.1f %16.4f %8.4f %5s\n", name, collect(rs, &Result::speed),
                    collect(rs, &Result::cpuPerSecond), rmsOf(rs), rs.back().hrtf.c_str());
    };
    row("audiolib (streamed)", ours);
    if (!playingOnly) {
        row("AmbiX 3rd order, same scene (W RMS)", ambix3);
        std::printf("%-36s %28.2fx %s\n", "AmbiX 3rd order speed / binaural",
                    collect(ambix3, &Result::speed) / collect(ours, &Result::speed),
                    collect(ambix3, &Result::speed) >= collect(ours, &Result::speed)
                        ? "(target >= 1x: met)"
                        : "(target >= 1x: MISSED)");
    }
    std::printf("%-36s %11.1f %16.4f %8s %5s\n", "  its decoding, measured alone",
                collect(decode, &Result::speed), collect(decode, &Result::cpuPerSecond), "-", "-");
    row("floor: raw OpenAL, one reverb slot", atFloor);
    if (!playingOnly)
        row("raw OpenAL, a reverb slot per source", perSource);
    std::printf("%-36s %28.2fx %s\n", "audiolib / floor", ratio,
                ratio <= 1.25 ? "(target <= 1.25x: met)" : "(target <= 1.25x: MISSED)");
    // Decoding is what streaming adds by nature; without it, what is left is
    // the mixing the floor does.
    const double decodeCpu = collect(decode, &Result::cpuPerSecond);
    std::printf("%-36s %28.2fx\n", "audiolib less its decoding / floor",
                (oursCpu - decodeCpu) / floorCpu);
    // What playing may cost at most: the floor's mix plus the decoding that
    // streaming adds by nature.
    const double streamingRatio = oursCpu / (floorCpu + decodeCpu);
    std::printf("%-36s %28.2fx %s\n", "audiolib / (floor + decoding)", streamingRatio,
                streamingRatio <= 1.10 ? "(target <= 1.10x: met)" : "(target <= 1.10x: MISSED)");
    if (!playingOnly)
        std::printf("%-36s %28.2fx\n", "slot per source / floor", perSourceCpu / floorCpu);
    std::printf("\nPer round, CPU s / audio s (audiolib, floor, decoding: audiolib / (floor + "
                "decoding)):");
    for (size_t i = 0; i < ours.size(); ++i)
        std::printf("\n  %.4f, %.4f, %.4f: %.3fx", ours[i].cpuPerSecond(),
                    atFloor[i].cpuPerSecond(), decode[i].cpuPerSecond(),
                    ours[i].cpuPerSecond() /
                        (atFloor[i].cpuPerSecond() + decode[i].cpuPerSecond()));
    // Other load on the machine only ever adds time: the best rounds are the
    // least disturbed comparison.
    double bestOurs = 1e9, bestFloor = 1e9;
    for (size_t i = 0; i < ours.size(); ++i) {
        bestOurs = std::min(bestOurs, ours[i].cpuPerSecond());
        bestFloor = std::min(bestFloor, atFloor[i].cpuPerSecond());
    }
    double bestDecode = 1e9;
    for (const Result& r : decode)
        bestDecode = std::min(bestDecode, r.cpuPerSecond());
    std::printf("\nBest rounds, audiolib / floor: %.4f / %.4f = %.2fx; / (floor + decoding): %.2fx",
                bestOurs, bestFloor, bestOurs / bestFloor, bestOurs / (bestFloor + bestDecode));
    if (playingOnly) {
        std::printf("\n");
        return 0;
    }
    if (canExport) {
        const double playing = collect(staticPlaying, &Result::cpuPerSecond);
        const double rendering = collect(staticScene, &Result::cpuPerSecond);
        std::printf("\n\nExport of the same 32 sources standing still (playlist: reverb level %d,\n"
                    "\"Concert Hall\", HRTF on, looping), the program as a child process:\n",
                    kExportReverbLevel);
        std::printf("%-36s %11s %16s %8s\n", "", "x real time", "CPU s / audio s", "ratio");
        std::printf("%-36s %11.1f %16.4f %8s\n", "library playing it (null output)", 1.0, playing,
                    "1.00x");
        std::printf("%-36s %11.1f %16.4f %7.2fx\n", "library rendering it (loopback)",
                    collect(staticScene, &Result::speed), rendering, rendering / playing);
        for (const auto& [name, rs] : {std::pair{"export WAV 16 bit", &exportWav},
                                       std::pair{"export FLAC 16 bit", &exportFlac}}) {
            const double cpu = collect(*rs, &Result::cpuPerSecond);
            std::printf("%-36s %11.1f %16.4f %7.2fx %s\n", name, collect(*rs, &Result::speed), cpu,
                        cpu / playing,
                        cpu / playing <= 1.10 ? "(target <= 1.10x: met)"
                                              : "(target <= 1.10x: MISSED)");
        }
    } else {
        std::printf("\n\nExport: %s not found; not measured", program.c_str());
    }
    printIdle(idleSeconds, idleEmpty, idleLoaded, idlePaused);
    std::printf("\nPeak RSS (VmHWM), each in a process of its own:\n");
    std::printf("  %-46s %8.1f MB\n", "library open, plug-in loaded, no streams", idleKb / 1024.0);
    std::printf("  %-46s %8.1f MB %s\n", "32 playing streams with reverb", fullKb / 1024.0,
                fullKb > 0 && fullKb < 100 * 1024 ? "(target < 100 MB: met)"
                                                  : "(target < 100 MB: MISSED)");
    return 0;
}
