// Program entry: the application, the main window, the audio start-up, the
// window shown, the files to start with, then the event loop.
#include <QApplication>
#include <cstdio>
#include <memory>

#include "app/CommandLine.h"
#include "app/Language.h"
#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "app/WindowStart.h"
#include "export/ExportCommand.h"

namespace {

// Everything but the window: printing, or an export in this process.
int RunCommandLine(int argc, char* argv[], const TCommandLine& commandLine) {
    switch (commandLine.Action) {
    case TCommandLine::TAction::Help:
    case TCommandLine::TAction::Version:
        std::fputs((commandLine.Message + "\n").c_str(), stdout);
        return ExitOk;
    case TCommandLine::TAction::Usage:
        std::fprintf(stderr, "phonaraplayer: %s\nTry 'phonaraplayer --help'.\n",
                     commandLine.Message.c_str());
        return ExitUsage;
    case TCommandLine::TAction::Export: {
        QCoreApplication app(argc, argv); // no display
        QCoreApplication::setApplicationName("PhonaraPlayer");
        return RunExportCommand(commandLine.Export);
    }
    case TCommandLine::TAction::Window:
        break;
    }
    return ExitOk;
}

} // namespace

int main(int argc, char* argv[]) {
    // Read before any application object exists: help, the version, a wrong
    // option and an export need no display.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const TCommandLine commandLine = ParseCommandLine(rawArguments);
    if (commandLine.Action != TCommandLine::TAction::Window)
        return RunCommandLine(argc, argv, commandLine);

    // Qt would abort after listing its platform plug-ins.
    if (!WindowCanShow(argc, argv)) {
        QCoreApplication app(argc, argv);
        std::fprintf(stderr, "phonaraplayer: %s\n",
                     qUtf8Printable(QCoreApplication::translate(
                         "CommandLine", "no display; --export works without one")));
        return ExitFailed;
    }
    InstallTerminationSignals();
    QApplication app(argc, argv);
    QApplication::setApplicationName("PhonaraPlayer");
    QApplication::setApplicationDisplayName("PhonaraPlayer");
    // The installed desktop entry's name: lets the desktop match the window to
    // its menu entry and icon.
    QApplication::setDesktopFileName("io.github.phonaraplayer.PhonaraPlayer");
    // Japanese unless the user chose English; --lang leaves the choice as kept.
    ApplyLanguage(RunLanguage(LanguageOfCode(commandLine.Language), KeptLanguage(), true));

    auto window = std::make_unique<TFrmPhonaraPlayer>();
    RouteTerminationSignals(window.get());
    if (const int status = StartWindow(*window, commandLine); status >= 0)
        return status;
    return QApplication::exec();
}
