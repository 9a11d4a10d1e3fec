// Motion paths: where a channel's source stands at each moment of its play
// time. A path is a list of points (time from the path's start, place) taken
// linearly between them, either repeating (loop, the last time is the period)
// or played once (the source then stays at the last point). The playlist keeps
// a path in one line, "#PNAPPath MODE t,x,y,z;t,x,y,z;...", which older
// readers take as a comment. Pure functions, independent of the locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The path line's key, as written.
extern const char* const MotionPathKey; // "#PNAPPath"

enum class TMotionMode { Loop, Once };

struct TMotionPoint {
    double T = 0;              // seconds from the path's start
    float X = 0, Y = 0, Z = 0; // metres, as the channel table holds a position
    bool operator==(const TMotionPoint&) const = default;
};

struct TMotionPath {
    TMotionMode Mode = TMotionMode::Loop;
    // At least two points; the first at time 0, times strictly increasing.
    std::vector<TMotionPoint> Points;
    bool operator==(const TMotionPath&) const = default;
    // The last point's time: a loop's period, a once path's length.
    double Length() const { return Points.empty() ? 0.0 : Points.back().T; }
};

// The longest path line a reader accepts (every other line keeps 64 KiB).
constexpr size_t MotionPathMaxLineLength = 1024 * 1024;

// Whether a line is a path line by its key (letter case does not matter).
bool IsMotionPathLine(std::string_view line);

// A path line read: each coordinate clamped to -limit..limit. Nothing when any
// part of it is malformed (unknown mode, a point without four numbers, a first
// time other than 0, times that do not increase, fewer than two points): the
// line is skipped as a whole, never taken in part.
std::optional<TMotionPath> ParseMotionPathLine(std::string_view line, double limit);

// The line for a path, without a line end. Numbers are written as a position
// line writes its coordinates, so that the line reads back to the same path.
std::string FormatMotionPathLine(const TMotionPath& path);

// The place at play time t (seconds): linear between points; a loop repeats
// with its length as period, a once path stays at its last point after it.
TMotionPoint MotionPositionAt(const TMotionPath& path, double t);
// The same, looking first at segment hint (the index of its first point) and
// the one after it, and keeping there the segment found: play walks a path
// forward a little at a time, so a player's hint mostly holds. Any hint, even
// from another path, gives the same place.
TMotionPoint MotionPositionAt(const TMotionPath& path, double t, size_t& hint);

// The points that matter: a point is dropped where the line between the points
// kept around it passes within tolerance (metres) of where the point is at its
// time, so that no dropped point strays further than that from what plays.
// The first and the last point always stay.
std::vector<TMotionPoint> ThinMotionPoints(const std::vector<TMotionPoint>& points,
                                           double tolerance = 0.01);
