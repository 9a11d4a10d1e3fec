// Wheel turns for widget tests. QTest has no wheel helper, and sendEvent
// makes any event non-spontaneous, which Qt does not pass on to the parents
// when the receiver ignores it. This delivers the turn the way QTest delivers
// its mouse events: spontaneous, straight through the application's notify.
#pragma once

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>

// angleDeltaY: 120 per notch; negative is towards the user.
inline void sendWheel(QWidget* widget, QPoint pos, int angleDeltaY,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent event(QPointF(pos), QPointF(widget->mapToGlobal(pos)), QPoint(),
                      QPoint(0, angleDeltaY), Qt::NoButton, mods, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}
