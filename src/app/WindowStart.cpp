#include "app/WindowStart.h"

#include <QStringList>
#include <cstdlib>
#include <cstring>

#include "app/CommandLine.h"
#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "playlist/AutoSave.h"

int StartWindow(TFrmPhonaraPlayer& window, const TCommandLine& commandLine) {
    if (!window.BASSInitialize()) {
        window.AbandonStartup(); // the user has been told why; the auto-save stays as it was
        return 1;                // and scripts and session managers see the failure
    }
    // Ended before the arrangement was read: no auto-save yet, so the one of
    // the last run stays.
    if (ConsumeTerminationRequest())
        return 0;
    window.AutoSavePath = AutoSavePlaylistPath();
    // The window first: a word about the files to start with (some missing,
    // a drive not there) is shown over it, not in its place.
    window.show();
    window.RestoreLevelsWindow();
    QStringList arguments;
    for (const std::string& file : commandLine.Files)
        arguments << QString::fromStdString(file);
    window.LoadIniFile(arguments);
    if (ConsumeTerminationRequest())
        return 0; // the window's destruction saves the arrangement

    // --osc-port switches the remote control on for this run.
    window.StartRemoteControl(commandLine.OscPort);
    StartupFinished();
    return -1;
}

bool WindowCanShow(int argc, char* argv[]) {
#if defined(__unix__) && !defined(__APPLE__)
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value)
            return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0 ||
            std::strncmp(argv[i], "-platform=", 10) == 0 ||
            std::strncmp(argv[i], "--platform=", 11) == 0)
            return true;
    return false;
#else
    (void)argc;
    (void)argv;
    return true;
#endif
}
