// What an export is asked to do, and the small rules around it that need no
// audio: format names, the child process's arguments, the normalising gain,
// where the rendered sound ends, and the progress lines a child reports.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/Wording.h"

enum class TExportFormat { Wav16, Wav24, Float, Flac16, Flac24, Ogg };
enum class TExportLayout;

// "wav16", "wav24", "float", "flac16", "flac24", "ogg".
std::optional<TExportFormat> ExportFormatOfName(std::string_view name);
const char* ExportFormatName(TExportFormat format);
// The format a file name asks for: .wav (16-bit), .flac (16-bit), .ogg/.oga.
std::optional<TExportFormat> ExportFormatOfPath(std::string_view path);
// The libsndfile format word.
int SndfileFormatOf(TExportFormat format);
bool IsWavFormat(TExportFormat format);
// The header of a WAV stream whose length is not known when it starts (both
// sizes at their largest), for the format's sample type.
// Above two channels it is WAVE_FORMAT_EXTENSIBLE with the layout's mask.
std::string StreamingWavHeader(TExportFormat format, int rate, TExportLayout layout);
// The extension a file of this format carries: "wav", "flac" or "ogg".
const char* ExportFormatExtension(TExportFormat format);
// Whether path's extension names a file of format's kind (.oga counts as
// Ogg); false for a name without one or with another.
bool ExtensionFitsFormat(std::string_view path, TExportFormat format);

// What the file is for: two channels for speakers (stereo) or headphones
// (binaural, HRTF), a speaker layout, or AmbiX (ACN, SN3D) of order 1 to 3.
enum class TExportLayout { Stereo, Binaural, Quad, Surround51, Surround71, Ambix1, Ambix2, Ambix3 };

// "stereo", "binaural", "quad", "5.1", "7.1", "ambix1", "ambix2", "ambix3".
std::optional<TExportLayout> ExportLayoutOfName(std::string_view name);
const char* ExportLayoutName(TExportLayout layout);
// Every layout, in the order above.
std::vector<TExportLayout> ExportLayouts();
// Channels in the file.
int ExportLayoutChannels(TExportLayout layout);
// The AmbiX order, or 0 for the layouts the audio device renders itself.
int AmbixOrderOf(TExportLayout layout);
// The WAVE_FORMAT_EXTENSIBLE channel mask of layout: its speakers in the
// device's channel order; 0 for AmbiX (no speakers).
uint32_t WavChannelMask(TExportLayout layout);
// Why format cannot hold layout, for people; empty when it can.
std::string LayoutFormatError(TExportLayout layout, TExportFormat format,
                              const TTranslate& translate = SourceText);

constexpr double DefaultSharingLufs = -16.0;
constexpr double BroadcastLufs = -23.0;
constexpr double TruePeakCeilingDb = -1.0;

struct TExportOptions {
    std::string Output;   // the sound file to write
    std::string Playlist; // the scene to render: a playlist, or else
    // sound files placed at the origin in slots 1, 2, ... (when not empty)
    std::vector<std::string> SoundFiles;
    TExportFormat Format = TExportFormat::Wav16;
    int Rate = 44100; // 44100 or 48000
    TExportLayout Layout = TExportLayout::Stereo;
    std::string HrtfDataSet;       // binaural: the data set by name; empty: OpenAL Soft's choice
    bool Loop = false;             // channels loop (then Seconds is needed)
    std::optional<double> Seconds; // fixed length; otherwise files plus tail
    std::optional<double> NormalizeLufs;
    int OggQuality = 5;           // 0 .. 10
    bool MachineProgress = false; // progress and result as lines on stdout
    bool Force = false;           // an existing Output is replaced
    std::string Language;         // the messages' language, "ja" or "en"; empty: the default
    // Render lanes, each rendering a share of the sources on a thread of its
    // own: 0 for one per core, 1 for a single device. Never more than sources.
    int Threads = 0;
    // The limiter at full scale after the mix; off only to compare renders.
    bool Limiter = true;
    // Only to compare renders: lanes that split the sources, never the
    // time; or time lanes with this warm-up instead of the scene's own.
    bool SourceLanesOnly = false;
    std::optional<double> WarmUpSeconds;

    bool operator==(const TExportOptions&) const = default;
};

// The command line that asks a child process for this export (without the
// program name): "--export OUT ... -- PLAYLIST" (or the sound files).
std::vector<std::string> ExportArguments(const TExportOptions& options);

// The gain that brings measured loudness to the target, stopped where the
// true peak would pass the ceiling.
struct TNormalisation {
    double GainDb = 0.0;
    bool PeakLimited = false;
};
TNormalisation NormalisationGain(double lufs, double truePeakDb, double targetLufs,
                                 double ceilingDb = TruePeakCeilingDb);

// Decides where a render without a fixed length ends: everything is kept while
// a file still plays; after that, quiet frames (below -90 dBFS) are held back
// until a louder one comes (then they are kept) or half a second of them has
// gathered (then they are dropped and the render ends). At most maxTailFrames
// follow the files.
class TTailTrimmer {
public:
    TTailTrimmer(int rate, int channels = 2, double quietSeconds = 0.5,
                 double maxTailSeconds = 10.0);
    // Takes one block of interleaved frames; keep receives what is kept, in
    // order (possibly in several pieces). Returns true once the render is done.
    template <typename Keep>
    bool push(const float* frames, size_t count, bool filesPlaying, Keep&& keep);
    bool done() const { return done_; }

    static constexpr float QuietLevel = 3.1622777e-5f; // -90 dBFS

private:
    size_t channels_, quietFrames_, maxTail_;
    size_t tail_ = 0;
    std::vector<float> held_;
    bool done_ = false;
};

template <typename Keep>
bool TTailTrimmer::push(const float* block, size_t frames, bool filesPlaying, Keep&& keep) {
    if (done_)
        return true;
    const size_t n = channels_;
    if (filesPlaying) {
        if (!held_.empty()) {
            keep(held_.data(), held_.size() / n);
            held_.clear();
        }
        keep(block, frames);
        return false;
    }
    size_t from = 0; // first frame of this block neither kept nor held
    size_t end = frames;
    for (size_t i = 0; i < frames; ++i) {
        if (tail_++ >= maxTail_) {
            done_ = true;
            end = i;
            break;
        }
        const float* frame = block + n * i;
        const bool quiet = std::all_of(frame, frame + n,
                                       [](float v) { return v < QuietLevel && v > -QuietLevel; });
        if (!quiet) {
            // The quiet run was a pause, not the end: it stays.
            if (!held_.empty()) {
                keep(held_.data(), held_.size() / n);
                held_.clear();
            }
            continue;
        }
        if (i > from)
            keep(block + n * from, i - from);
        held_.insert(held_.end(), frame, frame + n);
        from = i + 1;
        if (held_.size() / n >= quietFrames_) {
            done_ = true;
            held_.clear();
            return true;
        }
    }
    if (from < end && held_.empty())
        keep(block + n * from, end - from);
    if (done_)
        held_.clear();
    return done_;
}

// The lines a child export writes on stdout when asked for machine progress.
std::string ProgressLine(double renderedSeconds, double totalSeconds);
struct TExportSummary {
    double Seconds = 0, Lufs = 0, TruePeakDb = 0, GainDb = 0, RealTimeFactor = 0;
    bool Normalised = false, PeakLimited = false;
    bool Measured = true;     // false: the loudness meter could not start
    bool LoudnessOfW = false; // AmbiX: measured on W alone
    // What the limiter after the mix did: its deepest reduction (dB, 0 or
    // less) and the share of the render it held down (0 .. 1).
    double LimiterDb = 0, LimiterShare = 0;
    bool operator==(const TExportSummary&) const = default;
};
std::string ResultLine(const TExportSummary& summary);
// One line of a child's output: a progress report, a result, or neither.
// The line that says the export stopped because Output is there (the window
// asks whether to replace it instead of showing the reason).
std::string ExistsLine();
struct TChildLine {
    enum class Kind { Other, Progress, Result, Exists } LineKind = Kind::Other;
    double Rendered = 0, Total = 0;
    TExportSummary Summary;
};
TChildLine ParseChildLine(std::string_view line);

// A number with a fixed count of decimals and the point, whatever the C
// library's locale: for the command line and for other programs.
std::string PointNumber(double v, int decimals);
// How the summary writes its numbers: PointNumber, or the window's locale.
using TNumberText = std::function<std::string(double v, int decimals)>;

// The summary for people: duration, loudness, peak, gain, speed, in the
// words of translate; a window's (namesOptions false) speaks of no
// command-line option.
std::string SummaryText(const TExportSummary& summary, const TNumberText& number = PointNumber,
                        const TTranslate& translate = SourceText, bool namesOptions = true);
