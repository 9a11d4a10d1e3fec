#include "undo/UndoRecorder.h"

bool MergeSteps(TUndoStep& step, const TUndoStep& next, int64_t windowMs) {
    if (!step.Mergeable || !next.Mergeable || step.Playlist || next.Playlist ||
        next.TimeMs - step.TimeMs > windowMs || !step.After.SameSubject(next.After))
        return false;
    // The same values on both sides: the burst's start stays, its end moves on.
    step.After = next.After;
    step.TimeMs = next.TimeMs;
    return true;
}

void TUndoRecorder::Enter(bool mergeable) {
    if (depth_++ > 0)
        return;
    if (!pending_)
        pending_ = TUndoStep{false, mergeable, {}, {}, 0};
    if (!Paused())
        OpenSegment();
}

void TUndoRecorder::Leave() {
    if (depth_ == 0 || --depth_ > 0)
        return;
    CloseSegment();
    FinishIfDone();
}

void TUndoRecorder::SetHeld(bool held) {
    if (held == held_)
        return;
    held_ = held;
    if (held && !pending_)
        pending_ = TUndoStep{};
    FinishIfDone();
}

void TUndoRecorder::MarkPlaylist() {
    // A controller's playlist opened during a drag does not rename the drag.
    if (pending_ && !Paused())
        pending_->Playlist = true;
}

void TUndoRecorder::Pause() {
    if (paused_++ == 0)
        CloseSegment();
}

void TUndoRecorder::Resume() {
    if (paused_ > 0 && --paused_ == 0 && depth_ > 0)
        OpenSegment();
}

void TUndoRecorder::Reset() {
    depth_ = 0;
    held_ = false;
    segment_ = false;
    pending_.reset();
}

void TUndoRecorder::OpenSegment() {
    pre_ = Capture();
    segment_ = true;
}

void TUndoRecorder::CloseSegment() {
    if (!segment_ || !pending_)
        return;
    segment_ = false;
    AddChanges(pre_, Capture(), pending_->Before, pending_->After);
}

void TUndoRecorder::FinishIfDone() {
    if (depth_ > 0 || held_ || !pending_)
        return;
    TUndoStep step = std::move(*pending_);
    pending_.reset();
    DropUnchanged(step.Before, step.After);
    if (step.After.Empty())
        return;
    step.TimeMs = NowMs ? NowMs() : 0;
    if (OnStep)
        OnStep(std::move(step));
}
