#include "motion/MotionPlayer.h"

namespace {

bool SamePlace(const TMotionPoint& a, const TMotionPoint& b) {
    return a.X == b.X && a.Y == b.Y && a.Z == b.Z;
}

bool Valid(int n) {
    return n >= 1 && n <= TMotionPlayer::Channels;
}

} // namespace

void TMotionPlayer::SetPath(int n, std::shared_ptr<const TMotionPath> path, uint32_t owner) {
    if (!Valid(n))
        return;
    TChannel& c = channels_[n];
    c.Path = std::move(path);
    c.Owner = owner;
    c.Placed.reset();
    if (!c.Path)
        c.OnPath = false;
}

const TMotionPath* TMotionPlayer::PathOf(int n, uint32_t owner) const {
    if (!Valid(n) || !channels_[n].Path || channels_[n].Owner != owner)
        return nullptr;
    return channels_[n].Path.get();
}

std::shared_ptr<const TMotionPath> TMotionPlayer::StoredPath(int n) const {
    return Valid(n) ? channels_[n].Path : nullptr;
}

void TMotionPlayer::Play(int n, double now, const TMotionPoint& place) {
    if (!Valid(n))
        return;
    TChannel& c = channels_[n];
    if (!c.Started) {
        c.Started = true;
        c.Rest = place;
        c.Origin = now;
    } else if (c.Paused) {
        c.Origin = now - c.Held;
    }
    c.Paused = false;
    c.OnPath = c.Path != nullptr;
    c.Placed.reset();
}

void TMotionPlayer::Pause(int n, double now) {
    if (!Valid(n))
        return;
    TChannel& c = channels_[n];
    if (c.Started && !c.Paused) {
        c.Paused = true;
        c.Held = now - c.Origin;
    }
}

std::optional<TMotionPoint> TMotionPlayer::Stop(int n) {
    if (!Valid(n))
        return std::nullopt;
    TChannel& c = channels_[n];
    const bool started = c.Started;
    c.Started = c.OnPath = c.Paused = false;
    c.Placed.reset();
    if (!started)
        return std::nullopt;
    return c.Rest;
}

void TMotionPlayer::Moved(int n, const TMotionPoint& place) {
    if (!Valid(n))
        return;
    TChannel& c = channels_[n];
    // Not played since it stopped: where it stands is its rest already.
    if (!c.Started)
        return;
    c.OnPath = false;
    c.Placed.reset();
    c.Rest = place;
}

std::optional<TMotionPoint> TMotionPlayer::RestOf(int n, const TMotionPoint& place) const {
    if (!Valid(n) || !channels_[n].Started)
        return std::nullopt;
    const TChannel& c = channels_[n];
    if (c.OnPath && c.Placed && !SamePlace(*c.Placed, place))
        return place;
    return c.Rest;
}

void TMotionPlayer::Frame(double now, const std::function<void(int, const TMotionPoint&)>& place) {
    for (int n = 1; n <= Channels; ++n) {
        TChannel& c = channels_[n];
        if (!c.OnPath || !c.Path)
            continue;
        const double t = c.Paused ? c.Held : now - c.Origin;
        const TMotionPoint p = MotionPositionAt(*c.Path, t, c.Segment);
        if (c.Placed && SamePlace(*c.Placed, p))
            continue; // paused, or standing at the end of a once path
        c.Placed = p;
        place(n, p);
    }
}

bool TMotionPlayer::Moving() const {
    for (int n = 1; n <= Channels; ++n)
        if (channels_[n].OnPath && !channels_[n].Paused && channels_[n].Path)
            return true;
    return false;
}
