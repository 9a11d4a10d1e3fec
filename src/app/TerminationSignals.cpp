#include "app/TerminationSignals.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The handler only writes the signal's number into a pipe; the event loop
// reads it there (nothing else may safely run inside a signal handler).
int wakePipe[2] = {-1, -1};
volatile sig_atomic_t received = 0;
// The program's end has been taken in hand already (on the GUI thread).
bool consumed = false;

void OnTerminationSignal(int sig) {
    if (received) {
        // Already closing: the default action ends the process now.
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    received = 1;
    const int savedErrno = errno;
    const char c = static_cast<char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &c, 1);
    errno = savedErrno;
}

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
    return true;
}

void RouteTerminationSignals(QWidget* window) {
    if (wakePipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char buf[16];
        while (::read(wakePipe[0], buf, sizeof buf) > 0) {
        }
        if (consumed)
            return;
        consumed = true;
        // A dialog that is open would hold the closing up until answered.
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == window)
                break;
            modal->close();
        }
        window->close();
    });
}
