// Plays channels' motion paths by their play time: the window tells it what
// the transport does and asks it, once per frame, where each source on its
// path stands. Pure logic on a clock in seconds that the caller supplies.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "motion/MotionPath.h"

class TMotionPlayer {
public:
    static constexpr int Channels = 32;

    // Channel n's path (none clears it); owner names the file it belongs to
    // (the channel's handle), so that a path never outlives its file.
    void SetPath(int n, std::optional<TMotionPath> path, uint32_t owner);
    // The path of channel n while owner is still its file.
    const TMotionPath* PathOf(int n, uint32_t owner) const;
    void SetMode(int n, TMotionMode mode);

    // The transport, at now seconds. Play resumes a paused channel and
    // starts a stopped one from the path's start; the source's place at that
    // moment is its rest place unless it already follows its path.
    void Play(int n, double now, const TMotionPoint& place);
    void Pause(int n, double now);
    // Stopped, ended or freed: the place to return to, when it left it.
    std::optional<TMotionPoint> Stop(int n);

    // Channel n stands at place now. When something other than the path put
    // it there (a drag, the bars, the remote), it leaves its path until the
    // next Play, and where it was put is its rest place.
    void Observe(int n, const TMotionPoint& place);
    // The rest place of a channel that follows its path; none otherwise (its
    // place is its rest).
    std::optional<TMotionPoint> RestOf(int n) const;

    // The places of the channels on their paths at now, in channel order.
    void Frame(double now, const std::function<void(int, const TMotionPoint&)>& place);
    // Whether some channel moves along its path: frames are needed.
    bool Moving() const;

private:
    struct TChannel {
        std::optional<TMotionPath> Path;
        uint32_t Owner = 0;
        bool Started = false; // played since the last stop: it has a rest place
        bool OnPath = false;  // follows its path (not dragged off)
        bool Paused = false;
        double Origin = 0; // the clock when play time 0 was
        double Held = 0;   // the play time while paused
        TMotionPoint Rest;
        std::optional<TMotionPoint> Placed; // where the path last put it
    };
    std::array<TChannel, Channels + 1> channels_{};
};
