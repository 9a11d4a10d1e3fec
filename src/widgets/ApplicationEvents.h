// Sees every event the program's objects receive, and hears when another
// program takes the activation. The owner hooks in; nothing is consumed.
#pragma once

#include <QObject>
#include <functional>

class QEvent;

class TApplicationEvents : public QObject {
    Q_OBJECT
public:
    explicit TApplicationEvents(QObject* parent = nullptr);
    ~TApplicationEvents() override;

    // Whether the program is the active application, as last reported.
    bool applicationActive() const { return active_; }

    // Every event before its receiver sees it.
    std::function<void(QObject* receiver, QEvent* event)> onMessage;
    // The program stopped being the active application.
    std::function<void()> onDeactivate;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool active_ = false;
};
