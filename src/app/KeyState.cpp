#include "app/KeyState.h"

#include <QApplication>
#include <QKeyEvent>

namespace {
QSet<int> held;
}

TKeyState::TKeyState(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool TKeyState::IsDown(int qtKey) {
    return held.contains(qtKey);
}

void TKeyState::Clear() {
    held.clear();
}

bool TKeyState::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        held.insert(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::KeyRelease:
        if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
            held.remove(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::ApplicationDeactivate:
        held.clear();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
