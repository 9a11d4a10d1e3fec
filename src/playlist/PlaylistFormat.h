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

// The line keys, as written.
extern const char* const PlaylistEffectKey;   // "#PNAPEffect"
extern const char* const PlaylistPositionKey; // "#PNAPParam"

// What the writer needs of one loaded channel.
struct TPlaylistChannel {
    float X = 0, Y = 0, Z = 0;
    std::string FileName; // UTF-8 bytes, written as they are
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
    enum class Kind { Effect, Position, File };
    Kind LineKind = Kind::File;
    // Effect line: already brought into range (out of range becomes 0).
    std::optional<int> ReverbLevel; // 0..20
    std::optional<int> Environment; // 0..26
    // Position line: already clamped to the coordinate range.
    std::optional<float> X, Y, Z;
    // File line: the line as written, not trimmed.
    std::string Path;
};

// Reads a playlist's text. CR, LF and CR LF each end a line; a NUL byte ends
// the text. limit is the largest coordinate magnitude (2.5 metres).
std::vector<TPlaylistLine> ParsePlaylist(std::string_view text, double limit);
// The same, one line at a time, as long as onLine returns true.
void ParsePlaylist(std::string_view text, double limit,
                   const std::function<bool(const TPlaylistLine&)>& onLine);

// The highest reverb level and environment index a playlist may set.
constexpr int PlaylistMaxReverbLevel = 20;
constexpr int PlaylistMaxEnvironment = 26;
