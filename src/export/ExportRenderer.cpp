#include "export/ExportRenderer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ebur128.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <sndfile.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include "audiolib.h"
#include "channels/ChannelFile.h"
#include "channels/Placing.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"
#include "export/ExportSink.h"
#include "export/SceneRenderer.h"
#include "hrtf/SofaConvert.h"
#include "motion/MotionPath.h"
#include "playlist/PathRules.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistReading.h"
#include "spatial/Coordinates.h"

namespace {

constexpr DWORD BlockFrames = 1024;

// The window's scale, so that a playlist's places read back where the window
// puts them: an export from the command line never creates the window that
// sets the window's own variable.
constexpr float SceneUnitsPerStep = coords::DefaultUnitsPerStep;

// The loopback device for the duration of one export.
class TLoopback {
public:
    TLoopback(int rate, bool hrtf, int dataset = -1, int channels = 2)
        : ok_(AUDIOLIB_InitLoopbackEx(static_cast<DWORD>(rate),
                                      hrtf ? AUDIOLIB_HRTF_ON : AUDIOLIB_HRTF_OFF, dataset,
                                      static_cast<DWORD>(channels)) != 0) {}
    ~TLoopback() {
        if (ok_)
            BASS_Free();
    }
    TLoopback(const TLoopback&) = delete;
    TLoopback& operator=(const TLoopback&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

// The index of the HRTF data set named name on a loopback device at rate,
// or why there is none of that name.
std::optional<int> HrtfDataSetIndex(int rate, const std::string& name, std::string& error) {
    const TLoopback probe(rate, true);
    if (!probe.ok()) {
        error = "cannot open the renderer (error code " + std::to_string(BASS_ErrorGetCode()) + ")";
        return std::nullopt;
    }
    std::vector<std::string> listed;
    std::string known;
    for (DWORD i = 0; const char* n = AUDIOLIB_GetHRTFName(i); ++i) {
        listed.emplace_back(n);
        known += (known.empty() ? "" : ", ") + std::string(n);
    }
    // A set has a file per rate: the one at the export's rate renders.
    if (const int index = HrtfEntryForRate(listed, name, rate); index >= 0)
        return index;
    error = "no HRTF data set named \"" + name + "\" at " + std::to_string(rate) + " Hz" +
            (known.empty() ? std::string(" (there is none)") : " (there are: " + known + ")");
    return std::nullopt;
}

struct TChannel {
    DWORD Handle = 0;
    bool Stereo = false;
    std::optional<TMotionPath> Motion = std::nullopt; // followed from the start
    TChannelLevel Level{};                            // for the places on its path
};

// A channel of the scene, opened and placed as the window opens and places
// one: at load the pan of its place and the volume of its level, then the
// place itself (a plain stereo stream imitates it by volume and pan). Takes
// effect at the next BASS_Apply3D.
TChannel OpenChannel(const TPlaylistChannel& c, bool loop) {
    const DWORD handle = OpenChannelFile(c.FileName, loop);
    if (!handle)
        return {};
    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(handle, &info);
    const TChannel channel{handle, info.chans != 1};
    const BASS_3DVECTOR position{c.X, c.Y, c.Z};
    const TChannelLevel level{c.Gain, c.Muted};
    for (const TPanRule rule : {TPanRule::OnLoad(), TPanRule::FromX()})
        SetChannelPlace(handle, channel.Stereo, position, rule, level, SceneUnitsPerStep);
    return channel;
}

// How long a file plays, when libsndfile can tell; 0 otherwise.
double FileSeconds(const std::string& path) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf)
        return 0;
    sf_close(sf);
    return info.samplerate > 0 ? double(info.frames) / info.samplerate : 0;
}

struct TScene {
    std::vector<TChannel> Channels;
    double LongestSeconds = 0; // 0 when some file's length is unknown
};

// The scene's channels and settings: the playlist read and applied as the
// window opens one, or the sound files loaded as a start with files loads
// them (slots 1, 2, ... at the origin; a file that does not open leaves its
// slot to the next and is named on stderr).
bool LoadScene(const TExportOptions& o, TScene& scene, std::string& error) {
    SetReverbDefaults();
    constexpr int Slots = 32;
    int reverbLevel = 0, environment = 0;
    bool lengthsKnown = true;
    const auto load = [&](int, const TPlaylistChannel& c) {
        const TChannel channel = OpenChannel(c, o.Loop);
        if (!channel.Handle)
            return false;
        scene.Channels.push_back(channel);
        scene.Channels.back().Motion = c.Motion;
        scene.Channels.back().Level = {c.Gain, c.Muted};
        const double seconds = FileSeconds(c.FileName);
        lengthsKnown = lengthsKnown && seconds > 0;
        scene.LongestSeconds = std::max(scene.LongestSeconds, seconds);
        return true;
    };
    if (!o.SoundFiles.empty()) {
        for (const std::string& file : o.SoundFiles) {
            if (static_cast<int>(scene.Channels.size()) == Slots)
                break;
            TPlaylistChannel c;
            c.FileName = file;
            if (!load(0, c))
                std::fprintf(stderr,
                             "phonaraplayer: %s left out: it does not open (error code %d)\n",
                             file.c_str(), BASS_ErrorGetCode());
        }
    } else {
        const TPlaylistRead read =
            ReadPlaylist(o.Playlist, 50 * static_cast<double>(SceneUnitsPerStep), Slots);
        switch (read.Result) {
        case TReadResult::Missing:
            error = "no playlist at " + o.Playlist;
            return false;
        case TReadResult::Unreadable:
            error = "cannot read the playlist " + o.Playlist;
            return false;
        case TReadResult::Ok:
            break;
        }
        const auto setting = [&](const TPlaylistLine& line) {
            reverbLevel = line.ReverbLevel.value_or(reverbLevel);
            environment = line.Environment.value_or(environment);
        };
        ApplyPlaylist(read, Slots, setting, load);
    }
    if (!lengthsKnown)
        scene.LongestSeconds = 0;
    if (scene.Channels.empty()) {
        error = o.SoundFiles.empty() ? "no sound file of the playlist could be opened"
                                     : "none of the sound files could be opened";
        return false;
    }
    BASS_Apply3D();
    ReverbParameters.reverbMix = ReverbMixOfLevel(reverbLevel);
    std::vector<DWORD> handles;
    for (const TChannel& c : scene.Channels) {
        AttachReverb(c.Handle);
        handles.push_back(c.Handle);
    }
    ApplyEnvironment(environment, handles);
    return true;
}

// Every channel on its path where the path has it at play time t (all
// channels start together at 0); one 3D update for all of them.
void MoveOnPaths(const TScene& scene, double t) {
    bool moved = false;
    for (const TChannel& c : scene.Channels)
        if (c.Motion) {
            const TMotionPoint p = MotionPositionAt(*c.Motion, t);
            SetChannelPlace(c.Handle, c.Stereo, {p.X, p.Y, p.Z}, TPanRule::FromX(), c.Level,
                            SceneUnitsPerStep);
            moved = true;
        }
    if (moved)
        BASS_Apply3D();
}

bool AnyPlaying(const TScene& scene) {
    return std::any_of(scene.Channels.begin(), scene.Channels.end(), [](const TChannel& c) {
        return BASS_ChannelIsActive(c.Handle) == BASS_ACTIVE_PLAYING;
    });
}

// The loudness meter between the renderer and the sink: each speaker with
// its weight in libebur128's terms; AmbiX on W alone.
class TMeter {
public:
    TMeter(int rate, TExportLayout layout)
        : width_(static_cast<size_t>(ExportLayoutChannels(layout))),
          ofW_(AmbixOrderOf(layout) > 0) {
        const std::vector<int> weights = Weights(layout);
        state_ =
            ebur128_init(static_cast<unsigned>(weights.size()), static_cast<unsigned long>(rate),
                         EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        for (unsigned c = 0; state_ && c < weights.size(); ++c)
            ebur128_set_channel(state_, c, weights[c]);
    }
    ~TMeter() {
        if (state_)
            ebur128_destroy(&state_);
    }
    TMeter(const TMeter&) = delete;
    TMeter& operator=(const TMeter&) = delete;

    bool ok() const { return state_ != nullptr; }
    bool ofW() const { return ofW_; }
    void add(const float* frames, size_t count) {
        if (!state_ || !count)
            return;
        if (!ofW_) {
            ebur128_add_frames_float(state_, frames, count);
            return;
        }
        w_.resize(count);
        for (size_t i = 0; i < count; ++i)
            w_[i] = frames[i * width_];
        ebur128_add_frames_float(state_, w_.data(), count);
    }
    double lufs() {
        double v = -HUGE_VAL;
        if (state_)
            ebur128_loudness_global(state_, &v);
        return v;
    }
    double truePeakDb() {
        double peak = 0;
        for (unsigned c = 0; state_ && c < state_->channels; ++c) {
            double p = 0;
            if (ebur128_true_peak(state_, c, &p) == EBUR128_SUCCESS)
                peak = std::max(peak, p);
        }
        return peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    }

private:
    // In the device's channel order; the LFE does not count.
    static std::vector<int> Weights(TExportLayout layout) {
        switch (layout) {
        case TExportLayout::Quad:
            return {EBUR128_LEFT, EBUR128_RIGHT, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
        case TExportLayout::Surround51:
            return {EBUR128_LEFT,   EBUR128_RIGHT,         EBUR128_CENTER,
                    EBUR128_UNUSED, EBUR128_LEFT_SURROUND, EBUR128_RIGHT_SURROUND};
        case TExportLayout::Surround71:
            return {EBUR128_LEFT,  EBUR128_RIGHT, EBUR128_CENTER, EBUR128_UNUSED,
                    EBUR128_Mp135, EBUR128_Mm135, EBUR128_Mp090,  EBUR128_Mm090};
        default:
            if (AmbixOrderOf(layout) > 0)
                return {EBUR128_CENTER}; // W, a mono signal
            return {EBUR128_LEFT, EBUR128_RIGHT};
        }
    }

    ebur128_state* state_ = nullptr;
    size_t width_;
    bool ofW_;
    std::vector<float> w_;
};

} // namespace

TExportOutcome RenderExport(const TExportOptions& o, const TExportProgress& progress,
                            const std::atomic<bool>& cancel, const std::string& pluginFolder) {
    using Clock = std::chrono::steady_clock;
    TExportOutcome out;
    const auto failed = [&out](std::string why) {
        out.Result = TExportOutcome::Status::Failed;
        out.Error = std::move(why);
        return out;
    };
    const auto cancelled = [&out] {
        out.Result = TExportOutcome::Status::Cancelled;
        return out;
    };
    if (o.Loop && !o.Seconds)
        return failed("looping channels need a length (--seconds)");

    const auto started = Clock::now();
    const bool binaural = o.Layout == TExportLayout::Binaural;
    int dataset = -1;
    if (binaural && !o.HrtfDataSet.empty()) {
        const auto index = HrtfDataSetIndex(o.Rate, o.HrtfDataSet, out.Error);
        if (!index)
            return out;
        dataset = *index;
    }
    TLoopback device(o.Rate, binaural, dataset, DeviceChannelsOf(o.Layout));
    if (!device.ok())
        return failed("cannot open the renderer (error code " +
                      std::to_string(BASS_ErrorGetCode()) + ")");
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
    LoadPluginsIn(QString::fromStdString(pluginFolder));
    TScene scene;
    if (!LoadScene(o, scene, out.Error))
        return out;
    out.Channels = static_cast<int>(scene.Channels.size());
    // The file only now, so that a stream gets nothing from an export that
    // cannot start.
    const std::unique_ptr<TExportSink> sink = MakeExportSink(o, out.Error);
    if (!sink)
        return failed(out.Error);
    // Normalising needs the whole render before the gain is known: it goes to
    // a scratch file of floats first and is read back once.
    std::unique_ptr<TScratchFile> scratch;
    if (o.NormalizeLufs) {
        scratch = std::make_unique<TScratchFile>(sink->File());
        if (scratch->fd() < 0)
            return failed("cannot write beside " + o.Output + ": " +
                          FileErrorText(scratch->error()));
    }
    std::vector<DWORD> handles;
    for (const TChannel& c : scene.Channels)
        handles.push_back(c.Handle);
    const std::unique_ptr<TSceneRenderer> renderer =
        MakeSceneRenderer(o.Layout, handles, out.Error);
    if (!renderer)
        return failed("cannot render " + std::string(ExportLayoutName(o.Layout)) + ": " +
                      out.Error);
    for (const DWORD handle : handles)
        BASS_ChannelPlay(handle, false);

    const auto width = static_cast<size_t>(renderer->Channels());
    const double total = o.Seconds ? *o.Seconds : scene.LongestSeconds;
    const size_t fixedFrames =
        o.Seconds ? static_cast<size_t>(std::llround(std::max(0.0, *o.Seconds) * o.Rate)) : 0;
    TMeter meter(o.Rate, o.Layout);
    // Without a meter a file can still be written, but not brought to a
    // loudness.
    if (!meter.ok() && o.NormalizeLufs)
        return failed("the loudness meter could not start, so --normalize cannot measure");
    TTailTrimmer tail(o.Rate, static_cast<int>(width));
    std::vector<float> block(BlockFrames * width);
    size_t rendered = 0, kept = 0;
    std::string error;
    bool writeFailed = false;
    auto keep = [&](const float* frames, size_t count) {
        if (writeFailed || count == 0)
            return;
        meter.add(frames, count);
        kept += count;
        writeFailed = scratch
                          ? !WriteAll(scratch->fd(), frames, count * width * sizeof(float), error)
                          : !sink->Write(frames, count);
    };
    const auto writeError = [&] {
        return failed("cannot write " + o.Output + ": " + (scratch ? error : sink->Error()));
    };
    auto lastReport = Clock::now() - std::chrono::seconds(1);
    // Sources on paths move at least every 10 ms of sound, so no step is heard.
    const bool moving = std::any_of(scene.Channels.begin(), scene.Channels.end(),
                                    [](const TChannel& c) { return c.Motion.has_value(); });
    const DWORD blockFrames =
        moving ? std::min(static_cast<DWORD>(o.Rate / 100), BlockFrames) : BlockFrames;
    for (;;) {
        if (cancel.load())
            return cancelled();
        size_t frames = blockFrames;
        if (o.Seconds)
            frames = std::min<size_t>(blockFrames, fixedFrames - rendered);
        if (frames == 0)
            break;
        if (moving)
            MoveOnPaths(scene, double(rendered) / o.Rate);
        if (!renderer->Render(block.data(), frames))
            return failed("rendering failed (error code " + std::to_string(BASS_ErrorGetCode()) +
                          ")");
        rendered += frames;
        if (o.Seconds)
            keep(block.data(), frames);
        else if (tail.push(block.data(), frames, AnyPlaying(scene), keep))
            break;
        if (writeFailed)
            return writeError();
        if (progress && Clock::now() - lastReport > std::chrono::milliseconds(100)) {
            lastReport = Clock::now();
            progress(double(rendered) / o.Rate, total);
        }
    }
    if (writeFailed)
        return writeError();

    TExportSummary& s = out.Summary;
    s.Seconds = double(kept) / o.Rate;
    s.Lufs = meter.lufs();
    s.TruePeakDb = meter.truePeakDb();
    s.Measured = meter.ok();
    s.LoudnessOfW = meter.ofW();
    if (o.NormalizeLufs) {
        const TNormalisation n = NormalisationGain(s.Lufs, s.TruePeakDb, *o.NormalizeLufs);
        s.Normalised = true;
        s.GainDb = n.GainDb;
        s.PeakLimited = n.PeakLimited;
        const float gain = static_cast<float>(std::pow(10.0, n.GainDb / 20));
        if (::lseek(scratch->fd(), 0, SEEK_SET) != 0)
            return failed("cannot read back the render: " + FileErrorText(errno));
        TMeter after(o.Rate, o.Layout);
        std::vector<float> piece(16384 * width);
        for (size_t left = kept; left > 0;) {
            if (cancel.load())
                return cancelled();
            const size_t frames = std::min<size_t>(left, piece.size() / width);
            const size_t bytes = frames * width * sizeof(float);
            if (::read(scratch->fd(), piece.data(), bytes) != static_cast<ssize_t>(bytes))
                return failed("cannot read back the render: " + FileErrorText(errno));
            for (size_t i = 0; i < frames * width; ++i)
                piece[i] *= gain;
            after.add(piece.data(), frames);
            if (!sink->Write(piece.data(), frames))
                return failed("cannot write " + o.Output + ": " + sink->Error());
            left -= frames;
        }
        // The gain is known; a second meter that does not start leaves the
        // figures measured before it, moved by the gain.
        s.Lufs = after.ok() ? after.lufs() : s.Lufs + n.GainDb;
        s.TruePeakDb = after.ok() ? after.truePeakDb() : s.TruePeakDb + n.GainDb;
    }
    if (cancel.load())
        return cancelled();
    if (!sink->Finish())
        return failed("cannot write " + o.Output + ": " + sink->Error());
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    s.RealTimeFactor = wall > 0 ? s.Seconds / wall : 0;
    if (progress)
        progress(s.Seconds, s.Seconds);
    out.Result = TExportOutcome::Status::Done;
    return out;
}
