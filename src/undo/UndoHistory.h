// The user's steps on Qt's undo stack. Each step puts back, or puts again,
// only the fields it changed, and a field only while it still holds the
// step's value: what a controller, a path or a later gesture changed since
// stays as they left it, and a channel on its path keeps moving through any
// step that does not touch its path or its place.
#pragma once

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <string>
#include <vector>

#include "undo/UndoRecorder.h"

class TUndoHistory : public QObject {
    Q_OBJECT
public:
    explicit TUndoHistory(QObject* parent = nullptr);

    static constexpr int Limit = 200;   // steps kept
    static constexpr int BurstMs = 500; // keys and notches closer than this make one step

    // The one way the arrangement changes: read to check a field, asked to
    // put one back. The files a step could not load again are told after it.
    TArrangementSeam* Seam = nullptr;
    std::function<void(const std::vector<std::string>& missing)> onMissing;
    // After a step back or forward, for the window to show where it stands.
    std::function<void()> onApplied;

    TUndoRecorder Recorder;
    QUndoStack Stack;

    // Steps back or forward, unless a gesture is in progress.
    void Undo();
    void Redo();
    // Forgets every step (the program's start).
    void Clear();
    // The menu's words for a step, and for the step at index of the stack.
    static QString StepText(const TUndoStep& step);
    QString TextOf(int index) const;

private:
    friend class TArrangementCommand;
    void Push(TUndoStep&& step);
    void Apply(const TUndoStep& step, bool back);

    const QUndoCommand* last_ = nullptr; // the step pushed last, while a burst may grow it
};
