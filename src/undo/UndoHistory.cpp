#include "undo/UndoHistory.h"

#include <chrono>

class TArrangementCommand : public QUndoCommand {
public:
    TArrangementCommand(TUndoHistory& history, TUndoStep&& step)
        : QUndoCommand(TUndoHistory::StepText(step)), history_(history), step_(std::move(step)) {}

    void undo() override { history_.Apply(step_.Before); }
    void redo() override {
        // Pushed after the user did it: the first redo has nothing to do.
        if (done_)
            history_.Apply(step_.After);
        done_ = true;
    }
    int id() const override { return step_.Mergeable ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        if (history_.last_ != this)
            return false;
        if (!MergeSteps(step_, static_cast<const TArrangementCommand*>(other)->step_,
                        TUndoHistory::BurstMs))
            return false;
        // A burst that came back to where it began did nothing.
        TArrangementPart before = step_.Before, after = step_.After;
        DropUnchanged(before, after);
        setObsolete(after.Empty());
        return true;
    }

private:
    TUndoHistory& history_;
    TUndoStep step_;
    bool done_ = false;
};

TUndoHistory::TUndoHistory(QObject* parent) : QObject(parent) {
    Stack.setUndoLimit(Limit);
    Recorder.Capture = [this] { return capture(); };
    Recorder.OnStep = [this](TUndoStep&& step) { Push(std::move(step)); };
    Recorder.NowMs = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
}

void TUndoHistory::Undo() {
    if (Recorder.Gathering() || !Stack.canUndo())
        return;
    last_ = nullptr;
    Stack.undo();
}

void TUndoHistory::Redo() {
    if (Recorder.Gathering() || !Stack.canRedo())
        return;
    last_ = nullptr;
    Stack.redo();
}

void TUndoHistory::Clear() {
    Recorder.Reset();
    Stack.clear();
    last_ = nullptr;
}

void TUndoHistory::Push(TUndoStep&& step) {
    Stack.push(new TArrangementCommand(*this, std::move(step)));
    // After a merge the step on top is the one grown; an obsolete one is gone.
    last_ = Stack.index() > 0 ? Stack.command(Stack.index() - 1) : nullptr;
}

void TUndoHistory::Apply(const TArrangementPart& part) {
    const TUndoPause putting(Recorder);
    restore(Overlay(capture(), part));
}

QString TUndoHistory::StepText(const TUndoStep& step) {
    const TStepName name = NameOfStep(step.Playlist, step.Before, step.After);
    const QString channels = QString::fromStdString(ChannelList(name.Channels));
    switch (name.What) {
    case TStepWhat::Move:
        return tr("チャンネル %1 の移動").arg(channels);
    case TStepWhat::Load:
        return tr("チャンネル %1 の読み込み").arg(channels);
    case TStepWhat::Remove:
        return tr("チャンネル %1 の開放").arg(channels);
    case TStepWhat::Playlist:
        return tr("プレイリストを開く");
    case TStepWhat::Reverb:
        return tr("リバーブの変更");
    case TStepWhat::Environment:
        break;
    }
    return tr("環境の変更");
}
