// Records the movement of channels as it happens, one sample per frame, and
// turns it into paths when recording stops. Whatever moves a channel (a drag,
// the bars, the keys, the remote control, a playlist) shows in its place, so
// the recorder only looks at places.
#pragma once

#include <array>
#include <utility>
#include <vector>

#include "motion/MotionPath.h"

class TMotionRecorder {
public:
    static constexpr int Channels = 32;

    void Start();
    bool Recording() const { return recording_; }
    // Channel n (1..32) stands at (x, y, z) at t seconds after the start;
    // watched: it is the current or a selected channel now. Only the
    // movement of a channel that was watched at some frame makes a path.
    void Sample(double t, int n, float x, float y, float z, bool watched);
    // Ends the recording at t seconds: every watched channel that moved gets
    // a loop path as long as the recording, thinned. Channel numbers in
    // ascending order.
    std::vector<std::pair<int, TMotionPath>> Stop(double t);

private:
    struct TTrack {
        std::vector<TMotionPoint> Points;
        bool Watched = false;
        bool Moved = false;
    };
    std::array<TTrack, Channels + 1> tracks_{};
    bool recording_ = false;
};
