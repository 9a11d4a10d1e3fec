#include "playlist/AutoSave.h"

const char* const AutoSaveFileName = "PNAPini.pna";
const char* const InstalledMarkerName = "phonaraplayer.installed";

std::string AutoSavePathFor(const TAutoSaveFacts& facts) {
    const bool beside =
        (facts.ProgramFolderWritable && !facts.InstalledCopy) || facts.UserConfigFolder.empty();
    return (beside ? facts.ProgramFolder : facts.UserConfigFolder) + "/" + AutoSaveFileName;
}
