#include "widgets/ApplicationEvents.h"

#include <QGuiApplication>

TApplicationEvents::TApplicationEvents(QObject* parent)
    : QObject(parent), active_(QGuiApplication::applicationState() == Qt::ApplicationActive) {
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                const bool wasActive = active_;
                active_ = state == Qt::ApplicationActive;
                if (wasActive && !active_ && onDeactivate)
                    onDeactivate();
            });
}

TApplicationEvents::~TApplicationEvents() {
    qApp->removeEventFilter(this);
}

bool TApplicationEvents::eventFilter(QObject* watched, QEvent* event) {
    if (onMessage)
        onMessage(watched, event);
    return QObject::eventFilter(watched, event);
}
