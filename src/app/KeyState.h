// The live keyboard state: which keys are held down right now, kept by an
// application-wide event filter (Qt has no synchronous key-state query).
#pragma once

#include <QObject>
#include <QSet>

class TKeyState : public QObject {
    Q_OBJECT
public:
    explicit TKeyState(QObject* parent = nullptr);
    static bool IsDown(int qtKey);
    // Forget every held key (focus left the program; releases go elsewhere).
    static void Clear();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
