// Program entry: the application, the main window (hidden), the audio start-up,
// the files to start with, then the event loop.
#include <QApplication>
#include <memory>

#include "app/PNAP.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    // The installed desktop entry's name: lets the desktop match the window to
    // its menu entry and icon.
    QApplication::setDesktopFileName("io.github.phonaraplayer.PhonaraPlayer");

    auto window = std::make_unique<TFrmPhonaraPlayer>();
    if (!window->BASSInitialize()) {
        window->AbandonStartup(); // the user has been told why; the auto-save stays as it was
        return 0;
    }
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    window->LoadIniFile(arguments);

    window->show();
    return QApplication::exec();
}
