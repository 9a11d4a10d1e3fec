// Where the arrangement of the last run is kept between runs.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

extern const char* const AutoSaveFileName; // "PNAPini.pna"
// The arrangement the auto-save held before a smaller one replaced it.
extern const char* const PreviousAutoSaveFileName; // "PNAPini.previous.pna"
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

// Where the previous generation of the auto-save at autoSavePath is kept:
// beside it.
std::string PreviousAutoSavePathFor(std::string_view autoSavePath);

// The files a playlist's text names (each file line, resolved against the
// playlist's folder at playlistPath), in order.
std::vector<std::string> FilesNamedIn(std::string_view text, std::string_view playlistPath);

// What to name for files that are not there: for each, the outermost folder
// on its path that is missing (an unmounted drive's, say), or the file itself
// where its folder is there; each place once, in order. exists tells whether
// anything is at a path.
struct TMissingPlace {
    std::string Path;
    bool Folder = false;
    bool operator==(const TMissingPlace&) const = default;
};
std::vector<TMissingPlace> MissingPlaces(const std::vector<std::string>& files,
                                         const std::function<bool(const std::string&)>& exists);

// Whether the auto-save naming oldFiles is kept as the previous generation
// before one naming newFiles replaces it: when the new one names fewer files,
// or none of the same. One that names no file holds nothing worth keeping.
bool KeepsPreviousAutoSave(const std::vector<std::string>& oldFiles,
                           const std::vector<std::string>& newFiles);
