// How a level meter moves: the library's peak readings turned into decibels
// of full scale, a bar that falls back slowly, a peak-hold mark and a clip
// light that stays lit until the user puts it out. No Qt: the meter widget and
// the tests drive it with readings and times.
#pragma once

#include <cstdint>
#include <limits>

// One side of AUDIOLIB_ChannelGetLevel (0..32768) in dBFS; -infinity for 0.
double LevelDecibels(uint32_t side);
// The louder side of a packed reading (left low word, right high word).
uint32_t LouderSide(uint32_t level);
// A side at full scale (16-bit full scale or above) clips.
bool LevelClips(uint32_t side);

class TMeterBallistics {
public:
    static constexpr double FloorDb = -60;        // the scale's bottom
    static constexpr double HoldSeconds = 1.5;    // the peak mark stays this long...
    static constexpr double FallDbPerSecond = 24; // ...then falls, as the bar does

    // A reading taken at now (seconds, any steady clock).
    void Feed(uint32_t level, double now);
    // The last reading's peak in dBFS (-infinity: silence).
    double PeakDb() const { return peakDb_; }
    // Where the bar and the hold mark stand, FloorDb at rest.
    double BarDb() const { return barDb_; }
    double HoldDb() const { return holdDb_; }
    bool Clipped() const { return clipped_; }
    void ResetClip() { clipped_ = false; }
    // Bar and mark at the floor: nothing left to draw moving.
    bool Resting() const { return barDb_ <= FloorDb && holdDb_ <= FloorDb; }

private:
    double peakDb_ = -std::numeric_limits<double>::infinity();
    double barDb_ = FloorDb;
    double holdDb_ = FloorDb;
    double holdSince_ = 0;
    double last_ = 0;
    bool started_ = false;
    bool clipped_ = false;
};
