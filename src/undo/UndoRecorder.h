// Turns what the user does by hand into steps, one per gesture. The window
// opens a scope around each handler of a user's input; the arrangement is
// taken before and after, and what changed in between belongs to the step. A
// gesture that spans several events (a marker drag, the reverb bar's thumb)
// holds the step open between them. Changes made outside a scope (a
// controller's stream, motion playback, the transport) or while recording is
// paused inside one (a controller's datagram handled in a dialog's loop, an
// undo putting things back) are not the user's and belong to no step, even
// when they land in the middle of a drag. Pure: no Qt.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "undo/Arrangement.h"

struct TUndoStep {
    bool Playlist = false;  // a playlist opened: named so, whatever it changed
    bool Mergeable = false; // key, wheel and bar bursts: merge with the one before
    TArrangementPart Before;
    TArrangementPart After;
    int64_t TimeMs = 0; // when the step ended
};

// Merges next into step when both are bursts of the same kind on the same
// channels or setting, next coming within windowMs of step's end. False
// leaves both alone.
bool MergeSteps(TUndoStep& step, const TUndoStep& next, int64_t windowMs);

class TUndoRecorder {
public:
    std::function<TArrangement()> Capture;
    std::function<void(TUndoStep&&)> OnStep;
    std::function<int64_t()> NowMs;

    // A user's handler begins and ends; scopes nest, the outermost counts.
    void Enter(bool mergeable);
    void Leave();
    // A gesture that goes on between events; the step ends when it is let go
    // and no handler runs.
    void SetHeld(bool held);
    bool Gathering() const { return pending_.has_value(); }
    // The open step opens a playlist.
    void MarkPlaylist();
    // Changes from now until Resume are nobody's step.
    void Pause();
    void Resume();
    bool Paused() const { return paused_ > 0; }
    // Forgets a step in progress.
    void Reset();

private:
    void OpenSegment();
    void CloseSegment();
    void FinishIfDone();

    int depth_ = 0;
    int paused_ = 0;
    bool held_ = false;
    bool segment_ = false;
    TArrangement pre_;
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
