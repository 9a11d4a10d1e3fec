// The user's steps on Qt's undo stack: each step puts back, or puts again,
// only what it changed, over the arrangement as it is at that moment, so that
// what a controller moved meanwhile stays where the controller put it.
#pragma once

#include <QObject>
#include <QUndoStack>
#include <functional>

#include "undo/UndoRecorder.h"

class TUndoHistory : public QObject {
    Q_OBJECT
public:
    explicit TUndoHistory(QObject* parent = nullptr);

    static constexpr int Limit = 200;   // steps kept
    static constexpr int BurstMs = 500; // keys and notches closer than this make one step

    // The window's side: the arrangement as it is, and putting one in place.
    std::function<TArrangement()> capture;
    std::function<void(const TArrangement&)> restore;

    TUndoRecorder Recorder;
    QUndoStack Stack;

    // Steps back or forward, unless a gesture is in progress.
    void Undo();
    void Redo();
    // Forgets every step (the program's start).
    void Clear();
    // The menu's words for a step.
    static QString StepText(const TUndoStep& step);

private:
    friend class TArrangementCommand;
    void Push(TUndoStep&& step);
    void Apply(const TArrangementPart& part);

    const QUndoCommand* last_ = nullptr; // the step pushed last, while a burst may grow it
};
