// Plays channels' motion paths by their play time: the window tells it what
// the transport does and asks it, once per frame, where each source on its
// path stands. Pure logic on a clock in seconds that the caller supplies.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "motion/MotionPath.h"

class TMotionPlayer {
public:
    static constexpr int Channels = 32;

    // Channel n's path (null clears it), shared and never changed in place;
    // owner names the file it belongs to (the channel's handle), so that a
    // path never outlives its file.
    void SetPath(int n, std::shared_ptr<const TMotionPath> path, uint32_t owner);
    // The path of channel n while owner is still its file.
    const TMotionPath* PathOf(int n, uint32_t owner) const;
    // The path as it was set, whatever file the channel holds since.
    std::shared_ptr<const TMotionPath> StoredPath(int n) const;

    // The transport, at now seconds. Play resumes a paused channel and
    // starts a stopped one from the path's start; the source's place at that
    // moment is its rest place unless it already follows its path.
    void Play(int n, double now, const TMotionPoint& place);
    void Pause(int n, double now);
    // Stopped, ended or freed: the place to return to, when it left it.
    std::optional<TMotionPoint> Stop(int n);

    // Something other than its path (a drag, the bars, the remote, an undo)
    // put channel n at place: it leaves its path until the next Play, and
    // where it was put is its rest place.
    void Moved(int n, const TMotionPoint& place);
    // The rest place of a channel that has played since it stopped, standing
    // at place now; none otherwise (its place is its rest). A place the path
    // did not give it is where the user put it, before the next frame says so.
    std::optional<TMotionPoint> RestOf(int n, const TMotionPoint& place) const;

    // The places of the channels on their paths at now, in channel order.
    void Frame(double now, const std::function<void(int, const TMotionPoint&)>& place);
    // Whether some channel moves along its path: frames are needed.
    bool Moving() const;

private:
    struct TChannel {
        std::shared_ptr<const TMotionPath> Path;
        uint32_t Owner = 0;
        bool Started = false; // played since the last stop: it has a rest place
        bool OnPath = false;  // follows its path (not dragged off)
        bool Paused = false;
        double Origin = 0; // the clock when play time 0 was
        double Held = 0;   // the play time while paused
        TMotionPoint Rest;
        std::optional<TMotionPoint> Placed; // where the path last put it
        size_t Segment = 0;                 // where on the path it was last
    };
    std::array<TChannel, Channels + 1> channels_{};
};
