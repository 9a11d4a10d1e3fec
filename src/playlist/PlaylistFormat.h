// The playlist text: an effect line, then a position line and a file line for
// each loaded channel in slot order. One grammar serves the own format (.pna)
// and M3U (.m3u); comment lines carry no settings. Pure functions over bytes,
// independent of the locale: numbers always use the point.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "motion/MotionPath.h"

// The line keys, as written.
extern const char* const PlaylistEffectKey;   // "#PNAPEffect"
extern const char* const PlaylistPositionKey; // "#PNAPParam"
// A channel's gain and mute, in the scene an export renders: the window
// writes it only there (a saved arrangement carries no levels) and reads it
// as the comment it is to every other reader of the format.
extern const char* const PlaylistLevelKey; // "#PNAPLevel"

// What the writer needs of one loaded channel.
struct TPlaylistChannel {
    float X = 0, Y = 0, Z = 0;
    std::string FileName; // UTF-8 bytes, written as they are
    // The channel's motion path, written between its position and file line.
    std::optional<TMotionPath> Motion = std::nullopt;
    float Gain = 1.f; // 0..1; with Muted, written only when not 1 and false
    bool Muted = false;
};

// The whole playlist: every line ended with CR LF, the effect line first.
std::string FormatPlaylist(int reverbLevel, int environment,
                           const std::vector<TPlaylistChannel>& channels);

// A coordinate as the playlist stores it: the float widened exactly, rounded
// to 15 significant digits, trailing zeros dropped, always in fixed notation
// with a point, so that every value reads back as one number.
std::string FormatPlaylistNumber(double v);

// One line of a playlist that means something; empty and comment lines are
// left out. A setting is present only when its field converted.
struct TPlaylistLine {
    enum class Kind { Effect, Position, Motion, Level, File };
    Kind LineKind = Kind::File;
    // Effect line: already brought into range (out of range becomes 0).
    std::optional<int> ReverbLevel; // 0..20
    std::optional<int> Environment; // 0..26
    // Position line: already clamped to the coordinate range.
    std::optional<float> X, Y, Z;
    // Path line: a whole path, coordinates clamped; a malformed path line is
    // no line at all.
    std::optional<TMotionPath> Motion;
    // Level line: the gain brought into 0..1, and the mute.
    std::optional<float> Gain;
    std::optional<bool> Muted;
    // File line: the line as written, not trimmed.
    std::string Path;
};

// What one line of a playlist means; nothing for empty and comment lines.
// limit is the largest coordinate magnitude (2.5 metres).
std::optional<TPlaylistLine> ClassifyPlaylistLine(std::string_view line, double limit);

// Cuts playlist text into lines as it arrives, piece by piece, so that a file
// of any size is read to its end in little memory. CR, LF and CR LF each end a
// line; a NUL byte ends the text; a UTF-8 signature before the first line is
// dropped. A line longer than MaxLineLength cannot be a file or a setting and
// is skipped; a motion path line may run to MotionPathMaxLineLength.
class TPlaylistLineSplitter {
public:
    static constexpr size_t MaxLineLength = 64 * 1024;
    // Receives each line; returning false ends the text.
    using TOnText = std::function<bool(std::string_view)>;
    // False once the text has ended (NUL byte, or onLine said so).
    bool Feed(std::string_view chunk, const TOnText& onLine);
    // The end of the text: hands over a last line that has no line end.
    void Finish(const TOnText& onLine);

private:
    bool EndLine(std::string_view line, const TOnText& onLine);
    // The longest the line being cut may be, given what follows of it.
    size_t LimitOf(std::string_view rest) const;
    std::string line_;
    bool tooLong_ = false;
    bool afterCR_ = false;
    bool first_ = true;
    bool ended_ = false;
};

// The lines of a playlist that can change something, in few entries: the
// settings lines between two file lines are merged into at most one effect
// and one position line, with the same outcome when applied in order.
struct TPlaylistDigest {
    std::vector<TPlaylistLine> Lines;
    void Add(TPlaylistLine line);
};

// Reads a playlist's text, split and classified as above.
std::vector<TPlaylistLine> ParsePlaylist(std::string_view text, double limit);
// The same, one line at a time, as long as onLine returns true.
void ParsePlaylist(std::string_view text, double limit,
                   const std::function<bool(const TPlaylistLine&)>& onLine);

// The highest reverb level and environment index a playlist may set.
constexpr int PlaylistMaxReverbLevel = 20;
constexpr int PlaylistMaxEnvironment = 26;
