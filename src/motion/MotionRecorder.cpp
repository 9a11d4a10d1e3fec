#include "motion/MotionRecorder.h"

#include <algorithm>
#include <cmath>

namespace {

// Times are kept to the millisecond: finer is not heard, and it keeps the
// path line short.
double Millisecond(double t) {
    return std::round(std::max(t, 0.0) * 1000.0) / 1000.0;
}

} // namespace

void TMotionRecorder::Start() {
    tracks_ = {};
    recording_ = true;
}

void TMotionRecorder::Sample(double t, int n, float x, float y, float z, bool watched) {
    if (!recording_ || n < 1 || n > Channels)
        return;
    TTrack& track = tracks_[n];
    track.Watched = track.Watched || watched;
    const TMotionPoint p{Millisecond(t), x, y, z};
    if (track.Points.empty()) {
        // A channel that came in later stood there from the start.
        track.Points.push_back({0.0, x, y, z});
        if (p.T > 0)
            track.Points.push_back(p);
        return;
    }
    const TMotionPoint& first = track.Points.front();
    track.Moved = track.Moved || first.X != x || first.Y != y || first.Z != z;
    std::vector<TMotionPoint>& pts = track.Points;
    auto at = [&](const TMotionPoint& q) { return q.X == x && q.Y == y && q.Z == z; };
    if (p.T <= pts.back().T)
        pts.back() = {pts.back().T, x, y, z};
    else if (pts.size() >= 2 && at(pts.back()) && at(pts[pts.size() - 2]))
        pts.back().T = p.T; // standing still: one stretch, not a point a frame
    else
        pts.push_back(p);
}

std::vector<std::pair<int, TMotionPath>> TMotionRecorder::Stop(double t) {
    std::vector<std::pair<int, TMotionPath>> paths;
    if (!recording_)
        return paths;
    recording_ = false;
    const double end = Millisecond(t);
    for (int n = 1; n <= Channels; ++n) {
        TTrack& track = tracks_[n];
        if (!track.Watched || !track.Moved || end <= 0)
            continue;
        // The last place lasts to the end of the recording, the loop's period.
        while (!track.Points.empty() && track.Points.back().T > end)
            track.Points.pop_back();
        if (track.Points.empty())
            continue;
        TMotionPoint last = track.Points.back();
        if (last.T < end) {
            last.T = end;
            track.Points.push_back(last);
        }
        if (track.Points.size() < 2)
            continue;
        paths.push_back({n, TMotionPath{TMotionMode::Loop, ThinMotionPoints(track.Points)}});
    }
    tracks_ = {};
    return paths;
}
