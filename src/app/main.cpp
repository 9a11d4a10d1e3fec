// Program entry: the application, the main window (hidden), the audio start-up,
// the files to start with, then the event loop.
#include <QApplication>
#include <memory>

#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "playlist/AutoSave.h"

int main(int argc, char* argv[]) {
    InstallTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    // The installed desktop entry's name: lets the desktop match the window to
    // its menu entry and icon.
    QApplication::setDesktopFileName("io.github.phonaraplayer.PhonaraPlayer");

    auto window = std::make_unique<TFrmPhonaraPlayer>();
    RouteTerminationSignals(window.get());
    if (!window->BASSInitialize()) {
        window->AbandonStartup(); // the user has been told why; the auto-save stays as it was
        return 1;                 // and scripts and session managers see the failure
    }
    // Ended before the arrangement was read: no auto-save yet, so the one of
    // the last run stays.
    if (ConsumeTerminationRequest())
        return 0;
    window->AutoSavePath = AutoSavePlaylistPath();
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window->LoadIniFile(arguments);
    if (ConsumeTerminationRequest())
        return 0; // the window's destruction saves the arrangement

    window->show();
    return QApplication::exec();
}
