#include "export/ExportRenderer.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ebur128.h>
#include <fcntl.h>
#include <filesystem>
#include <iterator>
#include <locale>
#include <memory>
#include <mutex>
#include <optional>
#include <sndfile.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

#include <QCoreApplication>

#include "audio/ErrorReasons.h"
#include "audiolib.h"
#include "channels/ChannelFile.h"
#include "channels/Placing.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"
#include "export/Ambix.h"
#include "export/ExportSink.h"
#include "export/Limiter.h"
#include "export/SceneRenderer.h"
#include "export/ThreadCpu.h"
#include "export/TimeLanes.h"
#include "files/FileError.h"
#include "hrtf/SofaConvert.h"
#include "motion/MotionPath.h"
#include "playlist/PathRules.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "playlist/PlaylistReading.h"
#include "spatial/Coordinates.h"

namespace {

constexpr DWORD BlockFrames = 1024;

// The exporter's words in the language of the moment (--lang for a child of
// the window, which shows them).
std::string translate(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

// "cannot write OUT: why", said by every write that fails.
std::string CannotWrite(const std::string& output, const std::string& why) {
    return Filled(translate("ExportCommand", "%1 に書き込めません: %2"), {output, why});
}

// None of the scene's files opened.
std::string NoneOpened(const TExportOptions& o) {
    return o.SoundFiles.empty()
               ? translate("ExportCommand", "プレイリストのサウンドファイルを 1 つも開けません")
               : translate("ExportCommand", "サウンドファイルを 1 つも開けません");
}

// The window's scale, so that a playlist's places read back where the window
// puts them: an export from the command line never creates the window that
// sets the window's own variable.
constexpr float SceneUnitsPerStep = coords::DefaultUnitsPerStep;

// The loopback device for the duration of one export. It renders without
// OpenAL Soft's output limiter: the export limits the mix itself, after the
// render (TOutputLimiter), so that no layout is delayed by a look-ahead.
class TLoopback {
public:
    TLoopback(int rate, bool hrtf, int dataset = -1, int channels = 2, bool limiter = true)
        : ok_(Open(rate, hrtf, dataset, channels, limiter, code_)) {}
    ~TLoopback() {
        if (ok_)
            BASS_Free();
    }
    TLoopback(const TLoopback&) = delete;
    TLoopback& operator=(const TLoopback&) = delete;
    bool ok() const { return ok_; }
    // Why it did not open: the library's error code.
    std::string why() const {
        return Filled(translate("ExportCommand", "レンダラーを開けません: %1"),
                      {BassErrorReasonNow(code_)});
    }

private:
    static bool Open(int rate, bool hrtf, int dataset, int channels, bool limiter, int& code) {
        const bool ok = AUDIOLIB_InitLoopbackFlags(static_cast<DWORD>(rate),
                                                   hrtf ? AUDIOLIB_HRTF_ON : AUDIOLIB_HRTF_OFF,
                                                   dataset, static_cast<DWORD>(channels),
                                                   limiter ? 0 : AUDIOLIB_LOOPBACK_NOLIMITER) != 0;
        code = BASS_ErrorGetCode();
        return ok;
    }
    int code_ = 0; // before ok_, which is set with it
    bool ok_;
};

// The index of the HRTF data set named name on a loopback device at rate,
// or why there is none of that name.
std::optional<int> HrtfDataSetIndex(int rate, const std::string& name, std::string& error) {
    const TLoopback probe(rate, true);
    if (!probe.ok()) {
        error = probe.why();
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
    error =
        known.empty()
            ? Filled(translate("ExportCommand",
                               "%2 Hz の HRTF データセット \"%1\" はありません (1 つもありません)"),
                     {name, std::to_string(rate)})
            : Filled(translate("ExportCommand",
                               "%2 Hz の HRTF データセット \"%1\" はありません (あるのは: %3)"),
                     {name, std::to_string(rate), known});
    return std::nullopt;
}

struct TChannel {
    DWORD Handle = 0;
    bool Stereo = false;
    std::optional<TMotionPath> Motion = std::nullopt; // followed from the start
    TChannelLevel Level{};                            // for the places on its path
    long long Frames = 0; // the file's length in its frames (0: not known)
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

// What libsndfile tells of a file before it plays: how long it plays (0 when
// it cannot tell), whether it holds no frame at all, and, for a file cut short
// (its header announces more than it holds), the length announced.
struct TFileProbe {
    double Seconds = 0;
    bool Empty = false;
    double AnnouncedSeconds = 0; // 0: not cut short, or not known
    long long Frames = 0;
    int Rate = 0;
    bool Stereo = false;
    bool Mpeg = false; // the library decodes it itself: its length may differ
};

TFileProbe ProbeFile(const std::string& path) {
    TFileProbe probe;
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf)
        return probe;
    probe.Seconds = info.samplerate > 0 ? double(info.frames) / info.samplerate : 0;
    probe.Empty = info.frames == 0;
    probe.Frames = info.frames;
    probe.Rate = info.samplerate;
    probe.Stereo = info.channels == 2;
    probe.Mpeg = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG;
    // libsndfile plays what a cut file holds and notes the difference in its
    // log only: "data : 44100 (should be 22028)" (bytes; "SSND" in AIFF).
    char log[8192] = {};
    sf_command(sf, SFC_GET_LOG_INFO, log, sizeof log - 1);
    sf_close(sf);
    std::istringstream lines{std::string(log)};
    lines.imbue(std::locale::classic());
    for (std::string line; std::getline(lines, line);) {
        const size_t should = line.find("(should be ");
        if (should == std::string::npos ||
            (line.rfind("data", 0) != 0 && line.rfind("SSND", 0) != 0))
            continue;
        const size_t colon = line.find(':');
        const double announced = std::atof(line.c_str() + colon + 1);
        const double held = std::atof(line.c_str() + should + 11);
        if (colon < should && held > 0 && announced > held)
            probe.AnnouncedSeconds = probe.Seconds * announced / held;
        break;
    }
    return probe;
}

struct TScene {
    std::vector<TChannel> Channels;
    double LongestSeconds = 0; // 0 when some file's length is unknown
};

// A lane's share of the scene: the channels whose place in the playlist's
// order, counted from 0, leaves lane when divided by lanes.
struct TShare {
    int Lane = 0, Lanes = 1;
    bool Takes(int ordinal) const { return ordinal % Lanes == Lane; }
};

// The scene's channels and settings: the playlist read and applied as the
// window opens one, or the sound files loaded as a start with files loads
// them (slots 1, 2, ... at the origin; a file that does not open leaves its
// slot to the next and is named on stderr). Of a share, only its channels
// open; one left with none is not an error, as the other lanes have them.
bool LoadScene(const TExportOptions& o, TScene& scene, std::string& error,
               const TShare share = {}) {
    SetReverbDefaults();
    constexpr int Slots = 32;
    int reverbLevel = 0, environment = 0;
    bool lengthsKnown = true;
    std::string failures; // the files left out, each with why
    const auto leftOut = [&](const std::string& file, const std::string& why) {
        std::fprintf(
            stderr, "phonaraplayer: %s\n",
            Filled(translate("ExportCommand", "%1 は除きました: %2"), {file, why}).c_str());
        failures += (failures.empty() ? "" : "; ") + file + " (" + why + ")";
    };
    int ordinal = 0, taken = 0;
    const auto load = [&](int, const TPlaylistChannel& c) {
        if (!share.Takes(ordinal++)) {
            ++taken; // the slot is another lane's
            return true;
        }
        const TFileProbe probe = ProbeFile(c.FileName);
        if (probe.Empty) {
            leftOut(c.FileName, translate("ExportCommand", "音がありません"));
            return false;
        }
        const TChannel channel = OpenChannel(c, o.Loop);
        if (!channel.Handle) {
            leftOut(c.FileName, BassErrorReasonNow(BASS_ErrorGetCode()));
            return false;
        }
        ++taken;
        if (probe.AnnouncedSeconds > 0)
            std::fprintf(stderr, "phonaraplayer: %s\n",
                         Filled(translate("ExportCommand",
                                          "%1 は途中で切れています: ヘッダーが示す %3 秒のうち "
                                          "%2 秒しかありません。書き出しはある分だけを使います"),
                                {c.FileName, PointNumber(probe.Seconds, 2),
                                 PointNumber(probe.AnnouncedSeconds, 2)})
                             .c_str());
        scene.Channels.push_back(channel);
        scene.Channels.back().Motion = c.Motion;
        scene.Channels.back().Level = {c.Gain, c.Muted};
        scene.Channels.back().Frames = probe.Frames;
        const double seconds = probe.Seconds;
        lengthsKnown = lengthsKnown && seconds > 0;
        scene.LongestSeconds = std::max(scene.LongestSeconds, seconds);
        return true;
    };
    if (!o.SoundFiles.empty()) {
        for (const std::string& file : o.SoundFiles) {
            if (taken == Slots)
                break;
            TPlaylistChannel c;
            c.FileName = file;
            load(0, c);
        }
    } else {
        const TPlaylistRead read =
            ReadPlaylist(o.Playlist, 50 * static_cast<double>(SceneUnitsPerStep), Slots);
        switch (read.Result) {
        case TReadResult::Missing:
            error =
                Filled(translate("ExportCommand", "プレイリスト %1 がありません"), {o.Playlist});
            return false;
        case TReadResult::Unreadable:
            error =
                Filled(translate("ExportCommand", "プレイリスト %1 を読めません"), {o.Playlist});
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
    if (scene.Channels.empty() && share.Lanes > 1)
        return true;
    if (scene.Channels.empty()) {
        error = NoneOpened(o) + (failures.empty() ? std::string() : ": " + failures);
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

// The meter between the limiter and the sink: loudness with each speaker's
// weight in libebur128's terms (AmbiX on W alone), and the true peak over
// every channel of every layout (an AmbiX Y may well pass W).
class TMeter {
public:
    TMeter(int rate, TExportLayout layout)
        : width_(static_cast<size_t>(ExportLayoutChannels(layout))),
          ofW_(AmbixOrderOf(layout) > 0) {
        const std::vector<int> weights = Weights(layout);
        state_ = ebur128_init(static_cast<unsigned>(weights.size()),
                              static_cast<unsigned long>(rate), EBUR128_MODE_I);
        for (unsigned c = 0; state_ && c < weights.size(); ++c)
            ebur128_set_channel(state_, c, weights[c]);
        peaks_ = ebur128_init(static_cast<unsigned>(width_), static_cast<unsigned long>(rate),
                              EBUR128_MODE_TRUE_PEAK);
        if (!peaks_ && state_)
            ebur128_destroy(&state_);
    }
    ~TMeter() {
        if (state_)
            ebur128_destroy(&state_);
        if (peaks_)
            ebur128_destroy(&peaks_);
    }
    TMeter(const TMeter&) = delete;
    TMeter& operator=(const TMeter&) = delete;

    bool ok() const { return state_ != nullptr; }
    bool ofW() const { return ofW_; }
    void add(const float* frames, size_t count) {
        if (!state_ || !count)
            return;
        ebur128_add_frames_float(peaks_, frames, count);
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
        for (unsigned c = 0; peaks_ && c < peaks_->channels; ++c) {
            double p = 0;
            if (ebur128_true_peak(peaks_, c, &p) == EBUR128_SUCCESS)
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
    ebur128_state* peaks_ = nullptr;
    size_t width_;
    bool ofW_;
    std::vector<float> w_;
};

// What the export's loop draws its blocks from: one device on this thread,
// or lanes summed.
class TBlockSource {
public:
    virtual ~TBlockSource() = default;
    virtual int Width() const = 0;
    // Starts the scene's channels; blocks of blockFrames follow, up to
    // fixedFrames in all (0: until the loop stops asking).
    virtual bool Start(size_t fixedFrames, DWORD blockFrames) = 0;
    // The next count frames (rendered after moving the paths to the block's
    // start); playing tells whether a file still plays after it. False when
    // rendering failed, with the library's error code in code.
    virtual bool Next(float* block, size_t count, bool& playing, int& code) = 0;
    // Ends rendering; the CPU seconds each lane's thread took (none when the
    // render runs on the caller's thread).
    virtual std::vector<double> Stop() { return {}; }
};

// How the channels of a scene make up the blocks: the device renders, the
// paths move before each block.
struct TSceneBlocks {
    TScene Scene;
    std::unique_ptr<TSceneRenderer> Renderer;
    size_t Rendered = 0;
    int Rate = 44100;
    bool Moving() const {
        return std::any_of(Scene.Channels.begin(), Scene.Channels.end(),
                           [](const TChannel& c) { return c.Motion.has_value(); });
    }
    void Play() const {
        for (const TChannel& c : Scene.Channels)
            BASS_ChannelPlay(c.Handle, false);
    }
    bool Render(float* block, size_t count, bool moving, bool& playing) {
        if (moving)
            MoveOnPaths(Scene, double(Rendered) / Rate);
        if (!Renderer->Render(block, count))
            return false;
        Rendered += count;
        playing = AnyPlaying(Scene);
        return true;
    }
};

// Opens the scene (or a lane's share of it) on the loopback device opened on
// this thread: the channels, then the renderer of the layout.
bool OpenSceneBlocks(const TExportOptions& o, TSceneBlocks& blocks, std::string& error,
                     const TShare share = {}) {
    blocks.Rate = o.Rate;
    BASS_Set3DFactors(1.0f, 1.0f, 1.0f);
    if (!LoadScene(o, blocks.Scene, error, share))
        return false;
    std::vector<DWORD> handles;
    for (const TChannel& c : blocks.Scene.Channels)
        handles.push_back(c.Handle);
    blocks.Renderer = MakeSceneRenderer(o.Layout, handles, error);
    if (!blocks.Renderer) {
        error = Filled(translate("ExportCommand", "%1 をレンダリングできません: %2"),
                       {ExportLayoutName(o.Layout), error});
        return false;
    }
    return true;
}

// The whole scene on one device of this thread.
class TSingleDevice : public TBlockSource {
public:
    TSingleDevice(const TExportOptions& o, int dataset)
        : device_(o.Rate, o.Layout == TExportLayout::Binaural, dataset, DeviceChannelsOf(o.Layout),
                  false) {}
    bool Open(const TExportOptions& o, const std::string& pluginFolder, std::string& error) {
        if (!device_.ok()) {
            error = device_.why();
            return false;
        }
        LoadPluginsIn(QString::fromStdString(pluginFolder));
        return OpenSceneBlocks(o, blocks_, error);
    }
    const TScene& Scene() const { return blocks_.Scene; }
    int Width() const override { return blocks_.Renderer->Channels(); }
    bool Start(size_t, DWORD) override {
        moving_ = blocks_.Moving();
        blocks_.Play();
        return true;
    }
    bool Next(float* block, size_t count, bool& playing, int& code) override {
        if (blocks_.Render(block, count, moving_, playing))
            return true;
        code = BASS_ErrorGetCode();
        return false;
    }

private:
    TLoopback device_;
    TSceneBlocks blocks_;
    bool moving_ = false;
};

// One render lane: a share of the scene's sources on a loopback device of its
// own (a library lane, with its own room and reverbs), opened and rendered on
// a thread of its own, up to a few blocks ahead of the mix.
class TLane {
public:
    TLane(const TExportOptions& o, int dataset, TShare share, std::mutex& loading)
        : options_(o), dataset_(dataset), share_(share), loading_(loading),
          thread_([this] { Run(); }) {}
    ~TLane() { Stop(); }
    // Stops the lane's thread; the CPU seconds it took.
    double Stop() {
        {
            std::lock_guard lock(mx_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable())
            thread_.join();
        return cpu_;
    }
    TLane(const TLane&) = delete;
    TLane& operator=(const TLane&) = delete;

    // Waits until the lane has opened its share; false (with error) when it
    // could not.
    bool WaitOpen(std::string& error) {
        std::unique_lock lock(mx_);
        changed_.wait(lock, [this] { return opened_ || failed_; });
        if (failed_)
            error = error_;
        return !failed_;
    }
    const TScene& Scene() const { return scene_; } // once open
    bool Moving() const { return moving_; }
    int Width() const { return width_; }

    // Starts rendering blocks of blockFrames, at most aheadFrames ahead of
    // the mix: the stretches of the export given, in order, or all of it.
    void Start(size_t fixedFrames, DWORD blockFrames, bool moving, size_t aheadFrames,
               std::vector<TStretch> stretches = {}) {
        {
            std::lock_guard lock(mx_);
            stretches_ = std::move(stretches);
            fixedFrames_ = fixedFrames;
            blockFrames_ = blockFrames;
            movingScene_ = moving;
            ring_.resize(std::max<size_t>(2, aheadFrames / std::max<DWORD>(blockFrames, 1)));
            // At most a quarter second: a lane that holds a whole stretch
            // still hands the mix what it needs soon.
            batch_ =
                std::max<size_t>(1, std::min(ring_.size() / 8,
                                             static_cast<size_t>(options_.Rate / 4) / blockFrames));
            started_ = true;
        }
        changed_.notify_all();
    }
    // Adds the lane's next block (count frames) to sum. False when the lane
    // failed, with its error code.
    bool AddNext(float* sum, size_t count, bool& playing, int& code) {
        std::unique_lock lock(mx_);
        if (ready_ == 0) {
            // Woken once a batch is ready rather than for every block: the
            // mix is far quicker than a lane and would otherwise wait, and
            // take a core from the lanes, once per block.
            mixWaiting_ = true;
            changed_.wait(lock, [this] { return ready_ >= batch_ || failed_ || ended_; });
            mixWaiting_ = false;
        }
        if (ready_ == 0) {
            code = code_;
            return false;
        }
        TBlock& b = ring_[head_];
        lock.unlock();
        const size_t n = std::min(count, b.Frames) * static_cast<size_t>(width_);
        for (size_t i = 0; i < n; ++i)
            sum[i] += b.Samples[i];
        playing = playing || b.Playing;
        lock.lock();
        head_ = (head_ + 1) % ring_.size();
        --ready_;
        if (laneWaiting_ && ready_ + batch_ <= ring_.size())
            changed_.notify_all();
        return true;
    }

private:
    struct TBlock {
        std::vector<float> Samples;
        size_t Frames = 0;
        bool Playing = false;
    };

    // Every channel (looping, of a known length) where it plays at frame at
    // of the export, and the paths' clock there.
    static bool Seek(TSceneBlocks& blocks, size_t at) {
        for (const TChannel& c : blocks.Scene.Channels) {
            const auto frames = static_cast<QWORD>(c.Frames);
            const QWORD frameBytes = c.Stereo ? 4 : 2;
            if (!frames || !BASS_ChannelSetPosition(c.Handle, (at % frames) * frameBytes))
                return false;
        }
        blocks.Rendered = at;
        return true;
    }

    void Fail(std::string why, int code) {
        std::lock_guard lock(mx_);
        failed_ = true;
        error_ = std::move(why);
        code_ = code;
        changed_.notify_all();
    }

    void Run() {
        AUDIOLIB_LANE* const lane = AUDIOLIB_LaneCreate();
        if (!lane)
            return Fail(Filled(translate("ExportCommand",
                                         "レンダリングのレーンを開けません (エラーコード %1)"),
                               {std::to_string(BASS_ErrorGetCode())}),
                        BASS_ErrorGetCode());
        AUDIOLIB_LaneBind(lane);
        Render();
        AUDIOLIB_LaneBind(nullptr);
        AUDIOLIB_LaneFree(lane);
        cpu_ = ThreadCpuSeconds();
    }

    void Render() {
        std::optional<TLoopback> device;
        TSceneBlocks blocks;
        {
            // The program's sound rules keep their settings in shared state:
            // lanes open their shares one at a time.
            std::lock_guard load(loading_);
            device.emplace(options_.Rate, options_.Layout == TExportLayout::Binaural, dataset_,
                           DeviceChannelsOf(options_.Layout), false);
            std::string error;
            if (!device->ok())
                return Fail(device->why(), 0);
            if (!OpenSceneBlocks(options_, blocks, error, share_))
                return Fail(error, BASS_ErrorGetCode());
        }
        {
            std::lock_guard lock(mx_);
            scene_ = blocks.Scene;
            moving_ = blocks.Moving();
            width_ = blocks.Renderer->Channels();
            opened_ = true;
        }
        changed_.notify_all();
        {
            std::unique_lock lock(mx_);
            changed_.wait(lock, [this] { return started_ || stop_; });
            if (stop_)
                return;
        }
        for (TBlock& b : ring_)
            b.Samples.resize(blockFrames_ * static_cast<size_t>(width_));
        if (stretches_.empty())
            stretches_.push_back({0, 0, fixedFrames_, 0}); // To 0: no end
        size_t tail = 0;
        bool started = false;
        for (const TStretch& s : stretches_) {
            if (!started || blocks.Rendered != s.Warm) {
                // A later stretch starts afresh where its warm-up begins.
                if (started)
                    for (const TChannel& c : blocks.Scene.Channels)
                        BASS_ChannelPause(c.Handle);
                if ((started || s.Warm > 0) && !Seek(blocks, s.Warm))
                    return Fail(translate("ExportCommand", "レンダリングに失敗しました"),
                                BASS_ErrorGetCode());
                blocks.Play();
                started = true;
            }
            if (!RenderStretch(blocks, s, tail))
                return;
        }
        std::lock_guard lock(mx_);
        ended_ = true;
        changed_.notify_all();
    }

    // Renders stretch s into the ring from tail on, the warm-up dropped;
    // false when the lane stops or failed.
    bool RenderStretch(TSceneBlocks& blocks, const TStretch& s, size_t& tail) {
        std::vector<float> dropped(blockFrames_ * static_cast<size_t>(width_));
        while (blocks.Rendered < s.From) {
            const size_t count = std::min<size_t>(blockFrames_, s.From - blocks.Rendered);
            bool playing = false;
            if (!blocks.Render(dropped.data(), count, movingScene_, playing)) {
                Fail(translate("ExportCommand", "レンダリングに失敗しました"), BASS_ErrorGetCode());
                return false;
            }
            std::lock_guard lock(mx_);
            if (stop_)
                return false;
        }
        for (;;) {
            const size_t count =
                s.To ? std::min<size_t>(blockFrames_, s.To - blocks.Rendered) : blockFrames_;
            if (count == 0)
                return true;
            {
                std::unique_lock lock(mx_);
                if (ready_ == ring_.size()) {
                    // A full ring waits until a batch is free again.
                    laneWaiting_ = true;
                    changed_.wait(lock,
                                  [this] { return ready_ + batch_ <= ring_.size() || stop_; });
                    laneWaiting_ = false;
                }
                if (stop_)
                    return false;
            }
            TBlock& b = ring_[tail];
            if (!blocks.Render(b.Samples.data(), count, movingScene_, b.Playing)) {
                Fail(translate("ExportCommand", "レンダリングに失敗しました"), BASS_ErrorGetCode());
                return false;
            }
            b.Frames = count;
            tail = (tail + 1) % ring_.size();
            std::lock_guard lock(mx_);
            if (++ready_ >= batch_ && mixWaiting_)
                changed_.notify_all();
        }
    }

    const TExportOptions options_;
    const int dataset_;
    const TShare share_;
    std::mutex& loading_;

    std::mutex mx_;
    std::condition_variable changed_;
    bool opened_ = false, failed_ = false, started_ = false, stop_ = false;
    bool ended_ = false; // rendered every frame asked for
    bool mixWaiting_ = false, laneWaiting_ = false;
    std::string error_;
    int code_ = 0;
    TScene scene_;
    bool moving_ = false, movingScene_ = false;
    int width_ = 0;
    size_t fixedFrames_ = 0;
    std::vector<TStretch> stretches_; // set by Start
    DWORD blockFrames_ = 0;
    std::vector<TBlock> ring_; // sized by Start
    size_t head_ = 0, ready_ = 0;
    size_t batch_ = 1; // blocks that wake a waiting mix or lane

    double cpu_ = 0;     // written by the thread as it ends
    std::thread thread_; // last: starts once everything above exists
};

// Stops every lane; the CPU time each lane's thread used.
std::vector<double> StopLanes(std::vector<std::unique_ptr<TLane>>& lanes) {
    std::vector<double> cpu;
    for (auto& lane : lanes)
        cpu.push_back(lane->Stop());
    return cpu;
}

// The scene split over lanes: their blocks summed in float.
class TLanes : public TBlockSource {
public:
    TLanes(const TExportOptions& o, int dataset, int lanes) : rate_(o.Rate) {
        for (int i = 0; i < lanes; ++i)
            lanes_.push_back(std::make_unique<TLane>(o, dataset, TShare{i, lanes}, loading_));
    }
    bool Open(const TExportOptions& o, std::string& error) {
        bool known = true;
        for (auto& lane : lanes_) {
            if (!lane->WaitOpen(error))
                return false;
            for (const TChannel& c : lane->Scene().Channels)
                scene_.Channels.push_back(c);
            if (!lane->Scene().Channels.empty()) {
                known = known && lane->Scene().LongestSeconds > 0;
                scene_.LongestSeconds =
                    std::max(scene_.LongestSeconds, lane->Scene().LongestSeconds);
            }
            moving_ = moving_ || lane->Moving();
        }
        if (!known)
            scene_.LongestSeconds = 0;
        if (scene_.Channels.empty()) {
            error = NoneOpened(o);
            return false;
        }
        width_ = lanes_.front()->Width();
        return true;
    }
    // Every lane's channels (their handles are each lane's own).
    const TScene& Scene() const { return scene_; }
    bool Moving() const { return moving_; }
    int Width() const override { return width_; }
    bool Start(size_t fixedFrames, DWORD blockFrames) override {
        for (auto& lane : lanes_)
            lane->Start(fixedFrames, blockFrames, moving_, AheadFrames(blockFrames));
        return true;
    }
    bool Next(float* block, size_t count, bool& playing, int& code) override {
        std::fill_n(block, count * static_cast<size_t>(width_), 0.0f);
        playing = false;
        for (auto& lane : lanes_)
            if (!lane->AddNext(block, count, playing, code))
                return false;
        return true;
    }
    std::vector<double> Stop() override { return StopLanes(lanes_); }

private:
    // How far each lane may render ahead of the mix. A lane renders a second
    // of sound in a few tens of ms of CPU, less than the time slices the
    // scheduler hands out when the lanes and the mix outnumber the cores: a
    // lane held back for a slice must not stall the others, so the lanes keep
    // about two seconds ahead (less when many lanes of many channels would
    // hold more than 32 MB).
    size_t AheadFrames(DWORD blockFrames) const {
        constexpr size_t Budget = size_t{32} << 20;
        const size_t perFrame = lanes_.size() * static_cast<size_t>(width_) * sizeof(float);
        return std::max<size_t>(std::min<size_t>(2 * static_cast<size_t>(rate_),
                                                 Budget / std::max<size_t>(perFrame, 1)),
                                8 * size_t{blockFrames});
    }

    std::mutex loading_;
    std::vector<std::unique_ptr<TLane>> lanes_;
    TScene scene_;
    bool moving_ = false;
    int width_ = 2;
    int rate_;
};

// The scene split over time: every lane renders all of it, the stretches of
// the export it is given in turn, and the mix takes the stretches in order. A
// lane may hold a whole stretch ahead of the mix, so that none waits for the
// mix to reach it: the stretches are kept short enough for that.
class TTimeLanes : public TBlockSource {
public:
    TTimeLanes(const TExportOptions& o, int dataset, int lanes, std::vector<TStretch> stretches)
        : rate_(o.Rate), stretches_(std::move(stretches)) {
        for (int i = 0; i < lanes; ++i)
            lanes_.push_back(std::make_unique<TLane>(o, dataset, TShare{}, loading_));
    }
    bool Open(std::string& error) {
        for (auto& lane : lanes_)
            if (!lane->WaitOpen(error))
                return false;
        width_ = lanes_.front()->Width();
        return true;
    }
    const TScene& Scene() const { return lanes_.front()->Scene(); }
    bool Moving() const { return lanes_.front()->Moving(); }
    int Width() const override { return width_; }
    // Where each stretch after the first begins, in seconds of the export.
    std::vector<double> Seams() const {
        std::vector<double> seams;
        for (size_t k = 1; k < stretches_.size(); ++k)
            seams.push_back(double(stretches_[k].From) / rate_);
        return seams;
    }
    // The stretches were planned for this length and block grid.
    bool Start(size_t fixedFrames, DWORD blockFrames) override {
        const bool moving = Moving();
        size_t longest = 0;
        for (const TStretch& s : stretches_)
            longest = std::max(longest, s.To - s.From);
        for (size_t k = 0; k < lanes_.size(); ++k) {
            std::vector<TStretch> own;
            std::copy_if(stretches_.begin(), stretches_.end(), std::back_inserter(own),
                         [k](const TStretch& s) { return s.Lane == k; });
            if (own.empty())
                continue; // a short export over many lanes: this one rests
            lanes_[k]->Start(fixedFrames, blockFrames, moving, longest + 2 * size_t{blockFrames},
                             std::move(own));
        }
        return true;
    }
    bool Next(float* block, size_t count, bool& playing, int& code) override {
        while (stretch_ + 1 < stretches_.size() && at_ >= stretches_[stretch_].To)
            ++stretch_;
        std::fill_n(block, count * static_cast<size_t>(width_), 0.0f);
        playing = false;
        if (!lanes_[stretches_[stretch_].Lane]->AddNext(block, count, playing, code))
            return false;
        at_ += count;
        return true;
    }
    std::vector<double> Stop() override { return StopLanes(lanes_); }

private:
    std::mutex loading_;
    std::vector<std::unique_ptr<TLane>> lanes_;
    size_t stretch_ = 0, at_ = 0; // the stretch the mix is in, and where
    int width_ = 2;
    int rate_;
    std::vector<TStretch> stretches_;
};

// The frames an export of a fixed length renders (0: until the sound ends).
size_t FixedFrames(const TExportOptions& o) {
    return o.Seconds ? static_cast<size_t>(std::llround(std::max(0.0, *o.Seconds) * o.Rate)) : 0;
}

// The block grid: sources on paths move at least every 10 ms of sound, so
// that no step is heard.
DWORD BlockGrid(const TExportOptions& o, bool moving) {
    return moving ? std::min(static_cast<DWORD>(o.Rate / 100), BlockFrames) : BlockFrames;
}

// The stretches of time over lanes lanes, or none when the sources are to be
// split instead. Time splits when every lane can start anywhere in the
// scene sample for sample: a fixed length, looping files whose frames the
// device plays one for one (a file of the export's rate read by libsndfile,
// not MPEG, not cut short, no stereo file on a path), a binaural render; and when the warm-up the
// scene's rooms need is short against the export and its stretches. A lane
// holds at most a stretch ahead of the mix: 90 s, less when the lanes
// together would hold more than 128 MB.
std::vector<TStretch> TimeStretches(const TExportOptions& o, int lanes) {
    if (lanes < 2 || o.SourceLanesOnly || !o.Seconds || !o.Loop ||
        o.Layout != TExportLayout::Binaural)
        return {};
    bool fits = true, moving = false;
    const auto probe = [&](int, const TPlaylistChannel& c) {
        const TFileProbe p = ProbeFile(c.FileName);
        fits = fits && p.Frames > 0 && p.Rate == o.Rate && !p.Mpeg && p.AnnouncedSeconds == 0;
        // A stereo file's balance is applied as the stream decodes ahead of
        // the render: on a path it follows the decoding's pace, which a lane
        // started in mid-play does not share.
        fits = fits && !(p.Stereo && c.Motion);
        moving = moving || c.Motion.has_value();
        return true;
    };
    SetReverbDefaults();
    TRinging ringing;
    ringing.ReverbSeconds = ReverbParameters.reverbTime / 1000.0;
    if (!o.SoundFiles.empty()) {
        for (const std::string& file : o.SoundFiles) {
            TPlaylistChannel c;
            c.FileName = file;
            probe(0, c);
        }
    } else {
        const TPlaylistRead read =
            ReadPlaylist(o.Playlist, 50 * static_cast<double>(SceneUnitsPerStep), 32);
        if (read.Result != TReadResult::Ok)
            return {};
        const auto setting = [&](const TPlaylistLine& line) {
            ringing.ReverbLevel = line.ReverbLevel.value_or(ringing.ReverbLevel);
            ringing.Environment = line.Environment.value_or(ringing.Environment);
        };
        ApplyPlaylist(read, 32, setting, probe);
    }
    if (!fits)
        return {};
    const size_t grid = BlockGrid(o, moving);
    const double seconds = o.WarmUpSeconds.value_or(WarmUpSeconds(ringing));
    const auto warm =
        static_cast<size_t>(std::ceil(std::max(0.0, seconds) * o.Rate / double(grid))) * grid;
    constexpr size_t Budget = size_t{128} << 20;
    const size_t perFrame = static_cast<size_t>(lanes) * 2 * sizeof(float);
    const size_t longest = std::min(90 * static_cast<size_t>(o.Rate), Budget / perFrame);
    return PlanStretches(FixedFrames(o), static_cast<size_t>(lanes), warm, grid, longest);
}

// How many lanes render the scene: as asked (0: one per core), at most one
// per source that may load, at least one.
int LaneCount(const TExportOptions& o) {
    int lanes = o.Threads > 0 ? o.Threads : static_cast<int>(std::thread::hardware_concurrency());
    int sources = static_cast<int>(o.SoundFiles.size());
    if (o.SoundFiles.empty())
        sources =
            ReadPlaylist(o.Playlist, 50 * static_cast<double>(SceneUnitsPerStep), 32).Existing;
    return std::max(1, std::min({lanes, sources, 32}));
}

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
        return failed(
            translate("ExportCommand", "ループするチャンネルには長さ (--seconds) が必要です"));

    const auto started = Clock::now();
    const double mixCpu0 = ThreadCpuSeconds();
    const bool binaural = o.Layout == TExportLayout::Binaural;
    int dataset = -1;
    if (binaural && !o.HrtfDataSet.empty()) {
        const auto index = HrtfDataSetIndex(o.Rate, o.HrtfDataSet, out.Error);
        if (!index)
            return out;
        dataset = *index;
    }
    // One device on this thread, or lanes on threads of their own; either
    // way the scene's channels are open before the file is. No device limits
    // its own output (OpenAL Soft's limiter would delay what it renders by its
    // look-ahead, and limit each lane apart): one limiter follows the mix.
    std::unique_ptr<TBlockSource> source;
    TScene scene;
    bool moving = false;
    const int lanes = LaneCount(o);
    if (std::vector<TStretch> stretches = TimeStretches(o, lanes); !stretches.empty()) {
        LoadPluginsIn(QString::fromStdString(pluginFolder));
        auto split = std::make_unique<TTimeLanes>(o, dataset, lanes, std::move(stretches));
        if (!split->Open(out.Error))
            return failed(out.Error);
        scene = split->Scene();
        moving = split->Moving();
        source = std::move(split);
    } else if (lanes > 1) {
        // The plug-ins are shared by every lane's instance of the library.
        LoadPluginsIn(QString::fromStdString(pluginFolder));
        auto split = std::make_unique<TLanes>(o, dataset, lanes);
        if (!split->Open(o, out.Error))
            return failed(out.Error);
        scene = split->Scene();
        moving = split->Moving();
        source = std::move(split);
    } else {
        auto single = std::make_unique<TSingleDevice>(o, dataset);
        if (!single->Open(o, pluginFolder, out.Error))
            return failed(out.Error);
        scene = single->Scene();
        moving = std::any_of(scene.Channels.begin(), scene.Channels.end(),
                             [](const TChannel& c) { return c.Motion.has_value(); });
        source = std::move(single);
    }
    out.Channels = static_cast<int>(scene.Channels.size());
    // The file only now, so that a stream gets nothing from an export that
    // cannot start.
    const std::unique_ptr<TExportSink> sink =
        MakeExportSink(o, out.Error, &cancel, translate, &out.Exists);
    if (!sink)
        return cancel.load() ? cancelled() : failed(out.Error);
    // Normalising needs the whole render before the gain is known: it goes to
    // a scratch file of floats first and is read back once.
    std::unique_ptr<TScratchFile> scratch;
    if (o.NormalizeLufs) {
        scratch = std::make_unique<TScratchFile>(sink->File());
        if (scratch->fd() < 0)
            return failed(Filled(translate("ExportCommand", "%1 の隣に書き込めません: %2"),
                                 {o.Output, FileErrorText(scratch->error())}));
    }

    const auto width = static_cast<size_t>(source->Width());
    const double total = o.Seconds ? *o.Seconds : scene.LongestSeconds;
    const size_t fixedFrames = FixedFrames(o);
    const DWORD blockFrames = BlockGrid(o, moving);
    source->Start(fixedFrames, blockFrames);
    if (const auto* split = dynamic_cast<const TTimeLanes*>(source.get()))
        out.TimeSeams = split->Seams();
    TMeter meter(o.Rate, o.Layout);
    // Without a meter a file can still be written, but not brought to a
    // loudness.
    if (!meter.ok() && o.NormalizeLufs)
        return failed(translate("ExportCommand", "ラウドネスメーターを開始できないため、"
                                                 "ラウドネスを揃えられません"));
    // The stage after the render: one limiter for the whole mix. A render
    // to be normalised goes to the scratch file in float unlimited; its gain
    // then stops at the true-peak ceiling instead.
    TOutputLimiter limiter(static_cast<int>(width), o.Rate);
    const bool limiting = o.Limiter && !o.NormalizeLufs;
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
        return failed(CannotWrite(o.Output, scratch ? error : sink->Error()));
    };
    auto lastReport = Clock::now() - std::chrono::seconds(1);
    for (;;) {
        if (cancel.load())
            return cancelled();
        size_t frames = blockFrames;
        if (o.Seconds)
            frames = std::min<size_t>(blockFrames, fixedFrames - rendered);
        if (frames == 0)
            break;
        bool playing = false;
        int code = 0;
        if (!source->Next(block.data(), frames, playing, code))
            return failed(Filled(translate("ExportCommand", "レンダリングに失敗しました: %1"),
                                 {BassErrorReasonNow(code)}));
        rendered += frames;
        if (limiting)
            limiter.Process(block.data(), frames);
        if (o.Seconds)
            keep(block.data(), frames);
        else if (tail.push(block.data(), frames, playing, keep))
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
    if (limiter.LimitedFrames() > 0) {
        s.LimiterDb = limiter.DeepestDb();
        s.LimiterShare = double(limiter.LimitedFrames()) / double(limiter.Frames());
    }
    if (o.NormalizeLufs) {
        const TNormalisation n = NormalisationGain(s.Lufs, s.TruePeakDb, *o.NormalizeLufs);
        s.Normalised = true;
        s.GainDb = n.GainDb;
        s.PeakLimited = n.PeakLimited;
        const float gain = static_cast<float>(std::pow(10.0, n.GainDb / 20));
        if (::lseek(scratch->fd(), 0, SEEK_SET) != 0)
            return failed(Filled(translate("ExportCommand", "レンダリング結果を読み戻せません: %1"),
                                 {FileErrorText(errno)}));
        TMeter after(o.Rate, o.Layout);
        std::vector<float> piece(16384 * width);
        for (size_t left = kept; left > 0;) {
            if (cancel.load())
                return cancelled();
            const size_t frames = std::min<size_t>(left, piece.size() / width);
            const size_t bytes = frames * width * sizeof(float);
            if (::read(scratch->fd(), piece.data(), bytes) != static_cast<ssize_t>(bytes))
                return failed(
                    Filled(translate("ExportCommand", "レンダリング結果を読み戻せません: %1"),
                           {FileErrorText(errno)}));
            for (size_t i = 0; i < frames * width; ++i)
                piece[i] *= gain;
            after.add(piece.data(), frames);
            if (!sink->Write(piece.data(), frames))
                return failed(CannotWrite(o.Output, sink->Error()));
            left -= frames;
        }
        // The gain is known; a second meter that does not start leaves the
        // figures measured before it, moved by the gain.
        s.Lufs = after.ok() ? after.lufs() : s.Lufs + n.GainDb;
        s.TruePeakDb = after.ok() ? after.truePeakDb() : s.TruePeakDb + n.GainDb;
    }
    if (cancel.load())
        return cancelled();
    if (!sink->Finish()) {
        out.Exists = sink->Exists();
        return failed(CannotWrite(o.Output, sink->Error()));
    }
    out.LaneCpuSeconds = source->Stop();
    out.MixCpuSeconds = ThreadCpuSeconds() - mixCpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    s.RealTimeFactor = wall > 0 ? s.Seconds / wall : 0;
    if (progress)
        progress(s.Seconds, s.Seconds);
    out.Result = TExportOutcome::Status::Done;
    return out;
}
