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
#include "files/AtomicFile.h"
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

bool WriteAll(int fd, const void* data, size_t size, std::string& error);

// The sound file being written, in the chosen format.
class TSoundWriter {
public:
    TSoundWriter(const TAtomicFile& file, const TExportOptions& o) {
        SF_INFO info{};
        info.samplerate = o.Rate;
        info.channels = 2;
        info.format = SndfileFormatOf(o.Format);
        // libsndfile cannot write a WAV file into a pipe (it would go back to
        // fill in the length): the header goes first, saying the length is
        // unknown, as other streaming programs write it, then the samples.
        if (IsWavFormat(o.Format) && ::lseek(file.fd(), 0, SEEK_CUR) < 0 && errno == ESPIPE) {
            const std::string header = StreamingWavHeader(o.Format, o.Rate, info.channels);
            if (!WriteAll(file.fd(), header.data(), header.size(), error_))
                return;
            info.format = SF_FORMAT_RAW | SF_ENDIAN_LITTLE | (info.format & SF_FORMAT_SUBMASK);
        }
        // libsndfile closes a descriptor of its own; the file's stays for the
        // writer's commit.
        const int fd = ::dup(file.fd());
        sf_ = fd >= 0 ? sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE) : nullptr;
        if (!sf_) { // a descriptor handed over is libsndfile's to close
            error_ = fd >= 0 ? sf_strerror(nullptr) : FileErrorText(errno);
            return;
        }
        // Full scale stays full scale instead of wrapping round.
        sf_command(sf_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        // FLAC's level 2 of 8: a file about 1 % larger than the default level
        // for a third of the encoder's time, which would otherwise cost more
        // than all the measuring.
        if (o.Format == TExportFormat::Flac16 || o.Format == TExportFormat::Flac24) {
            double level = 0.25;
            sf_command(sf_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
        if (o.Format == TExportFormat::Ogg) {
            double quality = std::clamp(o.OggQuality, 0, 10) / 10.0;
            sf_command(sf_, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        }
    }
    ~TSoundWriter() {
        if (sf_)
            sf_close(sf_);
    }
    TSoundWriter(const TSoundWriter&) = delete;
    TSoundWriter& operator=(const TSoundWriter&) = delete;

    bool ok() const { return sf_ != nullptr && error_.empty(); }
    const std::string& error() const { return error_; }

    bool write(const float* stereo, size_t frames) {
        errno = 0;
        const auto n = static_cast<sf_count_t>(frames);
        if (sf_writef_float(sf_, stereo, n) == n)
            return true;
        error_ = errno ? FileErrorText(errno) : sf_strerror(sf_);
        return false;
    }
    // Everything written, the encoder closed. The encoders write their last
    // blocks while closing, so a full disk may show only here or at the
    // writer's commit.
    bool finish(int fd) {
        const int result = sf_close(sf_);
        sf_ = nullptr;
        if (result != 0) {
            error_ = sf_error_number(result);
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            error_ = FileErrorText(errno);
            return false;
        }
        if (S_ISREG(st.st_mode) && st.st_size == 0) {
            error_ = FileErrorText(ENOSPC);
            return false;
        }
        return true;
    }

private:
    SNDFILE* sf_ = nullptr;
    std::string error_;
};

// Writes everything or says why not.
bool WriteAll(int fd, const void* data, size_t size, std::string& error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = FileErrorText(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The loopback device for the duration of one export.
class TLoopback {
public:
    TLoopback(int rate, bool hrtf, int dataset = -1)
        : ok_(AUDIOLIB_InitLoopbackEx(static_cast<DWORD>(rate),
                                      hrtf ? AUDIOLIB_HRTF_ON : AUDIOLIB_HRTF_OFF, dataset,
                                      2) != 0) {}
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
    std::string known;
    for (DWORD i = 0; const char* n = AUDIOLIB_GetHRTFName(i); ++i) {
        if (name == n)
            return static_cast<int>(i);
        known += (known.empty() ? "" : ", ") + std::string(n);
    }
    error = "no HRTF data set named \"" + name + "\" at " + std::to_string(rate) + " Hz" +
            (known.empty() ? std::string(" (there is none)") : " (there are: " + known + ")");
    return std::nullopt;
}

struct TChannel {
    DWORD Handle = 0;
    bool Stereo = false;
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

bool AnyPlaying(const TScene& scene) {
    return std::any_of(scene.Channels.begin(), scene.Channels.end(), [](const TChannel& c) {
        return BASS_ChannelIsActive(c.Handle) == BASS_ACTIVE_PLAYING;
    });
}

struct TMeter {
    explicit TMeter(int rate)
        : state(ebur128_init(2, static_cast<unsigned long>(rate),
                             EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK)) {}
    ~TMeter() {
        if (state)
            ebur128_destroy(&state);
    }
    TMeter(const TMeter&) = delete;
    TMeter& operator=(const TMeter&) = delete;
    void add(const float* stereo, size_t frames) {
        if (state && frames)
            ebur128_add_frames_float(state, stereo, frames);
    }
    double lufs() {
        double v = -HUGE_VAL;
        if (state)
            ebur128_loudness_global(state, &v);
        return v;
    }
    double truePeakDb() {
        double peak = 0;
        for (unsigned c = 0; c < 2; ++c) {
            double p = 0;
            if (state && ebur128_true_peak(state, c, &p) == EBUR128_SUCCESS)
                peak = std::max(peak, p);
        }
        return peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    }
    ebur128_state* state;
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
    if (o.Loop && !o.Seconds)
        return failed("looping channels need a length (--seconds)");

    const auto started = Clock::now();
    TAtomicFile target(o.Output,
                       {.Tag = "export", .ReplaceExisting = o.Force, .WaitForReader = true});
    if (!target.ok() && target.error() == EEXIST)
        return failed(o.Output + " exists already; --force (-f) replaces it");
    if (!target.ok())
        return failed("cannot write " + o.Output + ": " + FileErrorText(target.error()));
    // Normalising needs the whole render before the gain is known: it goes to
    // a scratch file of floats first and is read back once.
    std::unique_ptr<TScratchFile> scratch;
    if (o.NormalizeLufs) {
        scratch = std::make_unique<TScratchFile>(target);
        if (scratch->fd() < 0)
            return failed("cannot write beside " + o.Output + ": " +
                          FileErrorText(scratch->error()));
    }

    int dataset = -1;
    if (o.Hrtf && !o.HrtfDataSet.empty()) {
        const auto index = HrtfDataSetIndex(o.Rate, o.HrtfDataSet, out.Error);
        if (!index)
            return out;
        dataset = *index;
    }
    TLoopback device(o.Rate, o.Hrtf, dataset);
    if (!device.ok())
        return failed("cannot open the renderer (error code " +
                      std::to_string(BASS_ErrorGetCode()) + ")");
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
    LoadPluginsIn(QString::fromStdString(pluginFolder));
    TScene scene;
    if (!LoadScene(o, scene, out.Error))
        return out;
    out.Channels = static_cast<int>(scene.Channels.size());
    // Only now, so that a stream gets nothing from an export that cannot start.
    TSoundWriter writer(target, o);
    if (!writer.ok())
        return failed("cannot write " + o.Output + ": " + writer.error());
    for (const TChannel& c : scene.Channels)
        BASS_ChannelPlay(c.Handle, false);

    const double total = o.Seconds ? *o.Seconds : scene.LongestSeconds;
    const size_t fixedFrames =
        o.Seconds ? static_cast<size_t>(std::llround(std::max(0.0, *o.Seconds) * o.Rate)) : 0;
    TMeter meter(o.Rate);
    // Without a meter a file can still be written, but not brought to a
    // loudness.
    if (!meter.state && o.NormalizeLufs)
        return failed("the loudness meter could not start, so --normalize cannot measure");
    TTailTrimmer tail(o.Rate);
    std::vector<float> block(BlockFrames * 2);
    size_t rendered = 0, kept = 0;
    std::string error;
    bool writeFailed = false;
    auto keep = [&](const float* stereo, size_t frames) {
        if (writeFailed || frames == 0)
            return;
        meter.add(stereo, frames);
        kept += frames;
        writeFailed = scratch ? !WriteAll(scratch->fd(), stereo, frames * 2 * sizeof(float), error)
                              : !writer.write(stereo, frames);
    };
    auto lastReport = Clock::now() - std::chrono::seconds(1);
    for (;;) {
        if (cancel.load()) {
            out.Result = TExportOutcome::Status::Cancelled;
            return out;
        }
        DWORD frames = BlockFrames;
        if (o.Seconds)
            frames = static_cast<DWORD>(std::min<size_t>(BlockFrames, fixedFrames - rendered));
        if (frames == 0)
            break;
        if (!AUDIOLIB_Render(block.data(), frames))
            return failed("rendering failed (error code " + std::to_string(BASS_ErrorGetCode()) +
                          ")");
        rendered += frames;
        if (o.Seconds)
            keep(block.data(), frames);
        else if (tail.push(block.data(), frames, AnyPlaying(scene), keep))
            break;
        if (writeFailed)
            return failed("cannot write " + o.Output + ": " + (scratch ? error : writer.error()));
        if (progress && Clock::now() - lastReport > std::chrono::milliseconds(100)) {
            lastReport = Clock::now();
            progress(double(rendered) / o.Rate, total);
        }
    }
    if (writeFailed)
        return failed("cannot write " + o.Output + ": " + (scratch ? error : writer.error()));

    TExportSummary& s = out.Summary;
    s.Seconds = double(kept) / o.Rate;
    s.Lufs = meter.lufs();
    s.TruePeakDb = meter.truePeakDb();
    s.Measured = meter.state != nullptr;
    if (o.NormalizeLufs) {
        const TNormalisation n = NormalisationGain(s.Lufs, s.TruePeakDb, *o.NormalizeLufs);
        s.Normalised = true;
        s.GainDb = n.GainDb;
        s.PeakLimited = n.PeakLimited;
        const float gain = static_cast<float>(std::pow(10.0, n.GainDb / 20));
        if (::lseek(scratch->fd(), 0, SEEK_SET) != 0)
            return failed("cannot read back the render: " + FileErrorText(errno));
        TMeter after(o.Rate);
        std::vector<float> piece(16384 * 2);
        for (size_t left = kept; left > 0;) {
            if (cancel.load()) {
                out.Result = TExportOutcome::Status::Cancelled;
                return out;
            }
            const size_t frames = std::min<size_t>(left, piece.size() / 2);
            const size_t bytes = frames * 2 * sizeof(float);
            if (::read(scratch->fd(), piece.data(), bytes) != static_cast<ssize_t>(bytes))
                return failed("cannot read back the render: " + FileErrorText(errno));
            for (size_t i = 0; i < frames * 2; ++i)
                piece[i] *= gain;
            after.add(piece.data(), frames);
            if (!writer.write(piece.data(), frames))
                return failed("cannot write " + o.Output + ": " + writer.error());
            left -= frames;
        }
        // The gain is known; a second meter that does not start leaves the
        // figures measured before it, moved by the gain.
        s.Lufs = after.state ? after.lufs() : s.Lufs + n.GainDb;
        s.TruePeakDb = after.state ? after.truePeakDb() : s.TruePeakDb + n.GainDb;
    }
    if (cancel.load()) {
        out.Result = TExportOutcome::Status::Cancelled;
        return out;
    }
    if (!writer.finish(target.fd()))
        return failed("cannot write " + o.Output + ": " + writer.error());
    if (!target.commit())
        return failed(target.error() == EEXIST
                          ? o.Output + " appeared meanwhile; --force (-f) replaces it"
                          : "cannot write " + o.Output + ": " + FileErrorText(target.error()));
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    s.RealTimeFactor = wall > 0 ? s.Seconds / wall : 0;
    if (progress)
        progress(s.Seconds, s.Seconds);
    out.Result = TExportOutcome::Status::Done;
    return out;
}
