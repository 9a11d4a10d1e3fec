// Turns what the user does by hand into steps, one per gesture. The window
// opens a scope around each handler of a user's input, and the recorder hears
// every change of the arrangement: what the user changed by hand while a
// scope is open belongs to the step, field by field. A gesture that spans
// several events (a marker drag, the reverb bar's thumb) holds the step open
// between them. Changes of another origin (a controller, motion playback,
// undo itself) or made while recording is paused (the start-up) belong to no
// step, even when they land in the middle of a drag. Gain and mute are live
// input and belong to none either. Opening a scope copies nothing. Pure: no Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "undo/Arrangement.h"

struct TUndoStep {
    bool Playlist = false;          // a playlist opened: named so, whatever it changed
    bool Mergeable = false;         // key, wheel and bar bursts: merge with the one before
    std::vector<TFieldStep> Fields; // in the order they first changed
    int64_t TimeMs = 0;             // when the step ended
};

// Merges next into step when both are bursts of the same kind on the same
// channels or setting, next coming within windowMs of step's end. False
// leaves both alone.
bool MergeSteps(TUndoStep& step, const TUndoStep& next, int64_t windowMs);

// Puts a step back (back) or again through the seam, field by field: a field
// is put only while it still holds the value the step left (back) or found
// (again); one that another origin changed since keeps its value. Files come
// first, since a place or a path is put on the file the slot holds; the other
// fields go back in the reverse order of the gesture. The files that could
// not be loaded again, in order.
std::vector<std::string> PutStep(TArrangementSeam& seam, const TUndoStep& step, bool back);

class TUndoRecorder {
public:
    std::function<void(TUndoStep&&)> OnStep;
    std::function<int64_t()> NowMs;

    // A user's handler begins and ends; scopes nest, the outermost counts.
    void Enter(bool mergeable);
    void Leave();
    // A gesture that goes on between events; the step ends when it is let go
    // and no handler runs.
    void SetHeld(bool held);
    bool Gathering() const { return pending_.has_value(); }
    // A change of the arrangement, as the seam tells it.
    void Note(const TChange& change);
    // The open step opens a playlist.
    void MarkPlaylist();
    // Changes from now until Resume are nobody's step.
    void Pause();
    void Resume();
    bool Paused() const { return paused_ > 0; }
    // Forgets a step in progress.
    void Reset();

private:
    void FinishIfDone();

    int depth_ = 0;
    int paused_ = 0;
    bool held_ = false;
    std::optional<TUndoStep> pending_;
};

// A user's handler: a scope for as long as it runs, unless recording is paused.
class TUndoScope {
public:
    explicit TUndoScope(TUndoRecorder& recorder, bool mergeable = false)
        : recorder_(recorder), engaged_(!recorder.Paused()) {
        if (engaged_)
            recorder_.Enter(mergeable);
    }
    ~TUndoScope() {
        if (engaged_)
            recorder_.Leave();
    }
    TUndoScope(const TUndoScope&) = delete;
    TUndoScope& operator=(const TUndoScope&) = delete;

private:
    TUndoRecorder& recorder_;
    bool engaged_;
};

// Live input applied: no step of the user's takes what it changes.
class TUndoPause {
public:
    explicit TUndoPause(TUndoRecorder& recorder) : recorder_(recorder) { recorder_.Pause(); }
    ~TUndoPause() { recorder_.Resume(); }
    TUndoPause(const TUndoPause&) = delete;
    TUndoPause& operator=(const TUndoPause&) = delete;

private:
    TUndoRecorder& recorder_;
};
