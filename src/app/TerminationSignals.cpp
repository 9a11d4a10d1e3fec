#include "app/TerminationSignals.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler only writes the signal's number into a pipe; the event loop
// reads it there (nothing else may safely run inside a signal handler). It
// never ends the process itself: a desktop session sends SIGTERM and SIGHUP
// together at logout, and the second must not cut the save short.
int wakePipe[2] = {-1, -1};
volatile sig_atomic_t received = 0;
volatile sig_atomic_t interrupts = 0;
// The program's end has been taken in hand already (on the GUI thread).
bool consumed = false;
bool startupDone = false;

// What the third Ctrl+C says, prepared while translating is still allowed.
char interruptedText[512] = "phonaraplayer: ended at the third Ctrl+C\n";
volatile sig_atomic_t interruptedLength = 0;

void OnTerminationSignal(int sig) {
    received = 1;
    if (sig == SIGINT)
        interrupts = interrupts + 1;
    if (sig == SIGINT && interrupts >= 3) {
        // Whatever hangs, the user asked three times.
        const size_t length =
            interruptedLength > 0 ? size_t(interruptedLength) : std::strlen(interruptedText);
        [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, interruptedText, length);
        ::_exit(ExitInterrupted);
    }
    const int savedErrno = errno;
    const char c = static_cast<char>(sig);
    // A full pipe already holds a wake-up; the signal adds nothing to it.
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &c, 1);
    errno = savedErrno;
}

// Closes the dialogs and message boxes that are open: each would hold the
// closing up until answered.
void CloseModalWindows(QWidget* window) {
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == window)
            break;
        modal->close();
    }
}

// Once the end has been asked for during the start-up, a question or message
// the start-up shows afterwards is skipped too: nobody is there to answer it.
class TModalSkipper : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (widget->isWindow() && widget->isModal())
                QMetaObject::invokeMethod(widget, &QWidget::close, Qt::QueuedConnection);
        }
        return false;
    }
};

QPointer<TModalSkipper> skipper;

} // namespace

void InstallTerminationSignals() {
    if (wakePipe[0] >= 0 || ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
}

bool ConsumeTerminationRequest() {
    if (!received)
        return false;
    consumed = true;
    // The signals so far have been answered by the caller: only a later one
    // may skip what the end itself shows (the message of a failed save).
    char buf[64];
    while (::read(wakePipe[0], buf, sizeof buf) > 0) {
    }
    delete skipper;
    return true;
}

bool TerminationRequested() {
    return received != 0;
}

void StartupFinished() {
    startupDone = true;
}

void RouteTerminationSignals(QWidget* window) {
    if (wakePipe[0] < 0)
        return;
    const QByteArray text =
        "phonaraplayer: " +
        QCoreApplication::translate("TerminationSignals",
                                    "3 回目の Ctrl+C で終了しました。保存は終わっていません。"
                                    "前回の自動保存はそのまま残ります。")
            .toUtf8() +
        "\n";
    if (static_cast<size_t>(text.size()) < sizeof interruptedText) {
        std::memcpy(interruptedText, text.constData(), static_cast<size_t>(text.size()));
        interruptedLength = static_cast<sig_atomic_t>(text.size());
    }
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char buf[64];
        while (::read(wakePipe[0], buf, sizeof buf) > 0) {
        }
        // Every signal, the first and any later one, skips the questions and
        // messages open now, also those of the closing itself (a save that
        // failed); the save is never among what is skipped.
        CloseModalWindows(window);
        // Until the start-up has finished, its sequence is still running and
        // ends the program itself when it sees the request (the window, shown
        // already, would save an arrangement not yet restored).
        if (!startupDone && !consumed) {
            if (!skipper) {
                skipper = new TModalSkipper(window);
                qApp->installEventFilter(skipper);
            }
            return;
        }
        if (consumed)
            return;
        consumed = true;
        // After this handler has returned, so that the dialogs the closing
        // may open still see the signals that follow.
        QMetaObject::invokeMethod(
            window,
            [guard = QPointer<QWidget>(window)] {
                if (guard)
                    guard->close();
            },
            Qt::QueuedConnection);
    });
}
