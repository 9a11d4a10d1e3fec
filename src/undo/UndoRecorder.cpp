#include "undo/UndoRecorder.h"

#include <algorithm>

bool MergeSteps(TUndoStep& step, const TUndoStep& next, int64_t windowMs) {
    if (!step.Mergeable || !next.Mergeable || step.Playlist || next.Playlist ||
        next.TimeMs - step.TimeMs > windowMs || !SameSubject(step.Fields, next.Fields))
        return false;
    // The same fields on both sides: the burst's start stays, its end moves on.
    for (TFieldStep& f : step.Fields)
        for (const TFieldStep& g : next.Fields)
            if (g.Field == f.Field && g.Channel == f.Channel)
                f.After = g.After;
    step.TimeMs = next.TimeMs;
    return true;
}

std::vector<std::string> PutStep(TArrangementSeam& seam, const TUndoStep& step, bool back) {
    const TOrigin origin = back ? TOrigin::Undo : TOrigin::Redo;
    std::vector<const TFieldStep*> order;
    for (const TFieldStep& f : step.Fields)
        order.push_back(&f);
    if (back)
        std::reverse(order.begin(), order.end());
    std::stable_partition(order.begin(), order.end(),
                          [](const TFieldStep* f) { return f->Field == TField::File; });
    std::vector<std::string> missing;
    for (const TFieldStep* f : order) {
        const TFieldValue& from = back ? f->After : f->Before;
        const TFieldValue& to = back ? f->Before : f->After;
        // Changed since by someone else: theirs stays.
        if (!SameValue(seam.Read(f->Field, f->Channel), from))
            continue;
        if (seam.Request({f->Field, f->Channel, to, origin}).Refused() && f->Field == TField::File)
            missing.push_back(std::get<std::string>(to));
    }
    return missing;
}

void TUndoRecorder::Enter(bool mergeable) {
    if (depth_++ > 0)
        return;
    if (!pending_)
        pending_ = TUndoStep{false, mergeable, {}, 0};
}

void TUndoRecorder::Leave() {
    if (depth_ == 0 || --depth_ > 0)
        return;
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

void TUndoRecorder::Note(const TChange& change) {
    if (!pending_ || Paused() || !ByUser(change.Origin) || change.Field == TField::Gain ||
        change.Field == TField::Mute)
        return;
    AddChange(pending_->Fields, change);
}

void TUndoRecorder::Pause() {
    ++paused_;
}

void TUndoRecorder::Resume() {
    if (paused_ > 0)
        --paused_;
}

void TUndoRecorder::Reset() {
    depth_ = 0;
    held_ = false;
    pending_.reset();
}

void TUndoRecorder::FinishIfDone() {
    if (depth_ > 0 || held_ || !pending_)
        return;
    TUndoStep step = std::move(*pending_);
    pending_.reset();
    DropUnchanged(step.Fields);
    if (step.Fields.empty())
        return;
    step.TimeMs = NowMs ? NowMs() : 0;
    if (OnStep)
        OnStep(std::move(step));
}
