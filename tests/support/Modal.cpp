#include "Modal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <vector>

namespace testsupport {

int HandleModals(const std::function<void()>& action, const std::function<void(QWidget*)>& handle) {
    int seen = 0;
    std::vector<QPointer<QWidget>> handled;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        for (const auto& h : handled)
            if (h == modal)
                return;
        handled.emplace_back(modal);
        ++seen;
        handle(modal);
    });
    timer.start();
    action();
    timer.stop();
    return seen;
}

QString MessagesShownBy(const std::function<void()>& action) {
    QStringList texts;
    HandleModals(action, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            texts << box->text();
        else
            texts << QString("<%1>").arg(modal->metaObject()->className());
        modal->close();
    });
    return texts.join("\n---\n");
}

} // namespace testsupport
