#include "undo/UndoHistory.h"

#include <algorithm>
#include <chrono>

class TArrangementCommand : public QUndoCommand {
public:
    TArrangementCommand(TUndoHistory& history, TUndoStep&& step)
        : QUndoCommand(TUndoHistory::StepText(step)), history_(history), step_(std::move(step)) {}

    void undo() override { history_.Apply(step_, true); }
    void redo() override {
        // Pushed after the user did it: the first redo has nothing to do.
        if (done_)
            history_.Apply(step_, false);
        done_ = true;
    }
    const TUndoStep& Step() const { return step_; }
    int id() const override { return step_.Mergeable ? 1 : -1; }
    bool mergeWith(const QUndoCommand* other) override {
        if (history_.last_ != this)
            return false;
        if (!MergeSteps(step_, static_cast<const TArrangementCommand*>(other)->step_,
                        TUndoHistory::BurstMs))
            return false;
        // A burst that came back to where it began did nothing.
        std::vector<TFieldStep> fields = step_.Fields;
        DropUnchanged(fields);
        setObsolete(fields.empty());
        return true;
    }

private:
    TUndoHistory& history_;
    TUndoStep step_;
    bool done_ = false;
};

TUndoHistory::TUndoHistory(QObject* parent) : QObject(parent) {
    Stack.setUndoLimit(Limit);
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

void TUndoHistory::Apply(const TUndoStep& step, bool back) {
    if (!Seam)
        return;
    const TUndoPause putting(Recorder);
    const std::vector<std::string> missing = PutStep(*Seam, step, back);
    if (onApplied)
        onApplied();
    if (!missing.empty() && onMissing)
        onMissing(missing);
}

QString TUndoHistory::TextOf(int index) const {
    const auto* command = dynamic_cast<const TArrangementCommand*>(Stack.command(index));
    return command ? StepText(command->Step()) : QString();
}

QString TUndoHistory::StepText(const TUndoStep& step) {
    const TStepName name = NameOfStep(step.Playlist, step.Fields);
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
    case TStepWhat::Motion:
        return tr("チャンネル %1 の動き").arg(channels);
    case TStepWhat::Reverb:
        return tr("リバーブの変更");
    case TStepWhat::Environment:
        break;
    }
    return tr("環境の変更");
}
