#include "playlist/AutoSave.h"

#include <algorithm>

#include "playlist/PathRules.h"
#include "playlist/PlaylistFormat.h"

const char* const AutoSaveFileName = "PNAPini.pna";
const char* const PreviousAutoSaveFileName = "PNAPini.previous.pna";
const char* const InstalledMarkerName = "phonaraplayer.installed";

std::string AutoSavePathFor(const TAutoSaveFacts& facts) {
    const bool beside =
        (facts.ProgramFolderWritable && !facts.InstalledCopy) || facts.UserConfigFolder.empty();
    return (beside ? facts.ProgramFolder : facts.UserConfigFolder) + "/" + AutoSaveFileName;
}

std::string PreviousAutoSavePathFor(std::string_view autoSavePath) {
    return FolderOfPath(autoSavePath) + PreviousAutoSaveFileName;
}

std::vector<std::string> FilesNamedIn(std::string_view text, std::string_view playlistPath) {
    std::vector<std::string> files;
    // Positions do not matter here; any limit will do.
    ParsePlaylist(text, 1.0, [&](const TPlaylistLine& line) {
        if (line.LineKind == TPlaylistLine::Kind::File)
            files.push_back(PathInPlaylist(playlistPath, line.Path));
        return true;
    });
    return files;
}

bool KeepsPreviousAutoSave(const std::vector<std::string>& oldFiles,
                           const std::vector<std::string>& newFiles) {
    if (oldFiles.empty())
        return false;
    if (newFiles.size() < oldFiles.size())
        return true;
    return std::none_of(oldFiles.begin(), oldFiles.end(), [&](const std::string& file) {
        return std::find(newFiles.begin(), newFiles.end(), file) != newFiles.end();
    });
}

std::vector<TMissingPlace> MissingPlaces(const std::vector<std::string>& files,
                                         const std::function<bool(const std::string&)>& exists) {
    std::vector<TMissingPlace> places;
    for (const std::string& file : files) {
        TMissingPlace place{file, false};
        // Each folder on the way, from the outermost ("/media", "/media/usb").
        for (size_t slash = file.find('/', 1); slash != std::string::npos;
             slash = file.find('/', slash + 1)) {
            const std::string folder = file.substr(0, slash);
            if (!exists(folder)) {
                place = {folder, true};
                break;
            }
        }
        if (std::find(places.begin(), places.end(), place) == places.end())
            places.push_back(place);
    }
    return places;
}
