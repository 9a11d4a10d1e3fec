// Where the arrangement of the last run is kept between runs.
#pragma once

#include <string>

extern const char* const AutoSaveFileName; // "PNAPini.pna"
// Installed beside an installed copy of the program, which keeps its
// auto-save per user even where it could write its own folder.
extern const char* const InstalledMarkerName; // "phonaraplayer.installed"

struct TAutoSaveFacts {
    std::string ProgramFolder; // without a trailing "/"
    bool ProgramFolderWritable = false;
    bool InstalledCopy = false;   // the marker is in the program's folder
    std::string UserConfigFolder; // the per-user configuration folder, "" if unknown
};

// Beside the program when its folder is writable and it is not an installed
// copy; otherwise in the per-user configuration folder.
std::string AutoSavePathFor(const TAutoSaveFacts& facts);

// The rule applied to the running program.
std::string AutoSavePlaylistPath();
