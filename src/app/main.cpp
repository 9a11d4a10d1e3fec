// Program entry: the application, the main window (hidden), the audio start-up,
// the files to start with, then the event loop.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "playlist/AutoSave.h"
#include "remote/RemoteSettings.h"

int main(int argc, char* argv[]) {
    InstallTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    // The installed desktop entry's name: lets the desktop match the window to
    // its menu entry and icon.
    QApplication::setDesktopFileName("io.github.phonaraplayer.PhonaraPlayer");

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    // --osc-port N switches the remote control on for this run; what is left
    // names the files to start with.
    QString optionError;
    const int oscPort = TakeOscPortOption(arguments, optionError);
    if (oscPort < 0) {
        std::fprintf(stderr, "PhonaraPlayer: %s\n", optionError.toLocal8Bit().data());
        return 2;
    }

    auto window = std::make_unique<TFrmPhonaraPlayer>();
    RouteTerminationSignals(window.get());
    if (!window->BASSInitialize()) {
        window->AbandonStartup(); // the user has been told why; the auto-save stays as it was
        return 0;
    }
    // Ended before the arrangement was read: no auto-save yet, so the one of
    // the last run stays.
    if (ConsumeTerminationRequest())
        return 0;
    window->AutoSavePath = AutoSavePlaylistPath();
    window->LoadIniFile(arguments);
    if (ConsumeTerminationRequest())
        return 0; // the window's destruction saves the arrangement

    window->StartRemoteControl(oscPort);
    window->show();
    return QApplication::exec();
}
