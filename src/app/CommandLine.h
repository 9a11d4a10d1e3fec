// The program's command line: what to do (open the window with files, print
// help or the version, export a playlist) and with what. Parsed in one place
// so that each new option is added here.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "audio/OutputLayout.h"
#include "export/ExportOptions.h"

#include <QStringList>

struct TCommandLine {
    enum class TAction { Window, Help, Version, Export, Usage };
    TAction Action = TAction::Window;
    // Help: the usage text; Version: the version line; Usage: what is wrong.
    std::string Message;
    // Window: the files to start with (a playlist or sound files).
    std::vector<std::string> Files;
    // Window: the OSC remote control on this UDP port for this run; 0: as set.
    int OscPort = 0;
    // Window: "ja" or "en" for this run; empty: the kept choice.
    std::string Language;
    // Window: the output layout for this run; none: the kept choice.
    std::optional<TOutputLayout> OutputLayout;
    // Export: what to render where.
    TExportOptions Export;
};

// arguments as the program received them, the program's name first. Qt's own
// window options (-platform, -style, ...) are accepted and left to Qt.
TCommandLine ParseCommandLine(const QStringList& arguments);
