// A locale whose decimal separator is the comma (German numbers under the
// name "de_DE.UTF-8"), compiled by the test into a folder of its own: it needs
// neither root nor a locale generated on the system, only localedef and the
// locale sources (Debian's `locales` package). Programs find it through
// LOCPATH; setlocale in this process does too, once LOCPATH is set.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "SoundFiles.h"

namespace testsupport {

constexpr const char* CommaLocaleName = "de_DE.UTF-8";

// The folder to put in LOCPATH, compiled on first use; empty when it cannot
// be made here (the caller skips and says why).
inline const std::string& CommaLocaleFolder() {
    static TempDir dir;
    static const std::string folder = [] {
        // German numbers; the rest as in the C locale, which compiles in a
        // fraction of the time of the whole German locale.
        std::ofstream source(dir.file("source"));
        source << "comment_char %\nescape_char /\n";
        for (const char* c : {"LC_CTYPE", "LC_COLLATE", "LC_MONETARY", "LC_TIME", "LC_MESSAGES"})
            source << c << "\ncopy \"POSIX\"\nEND " << c << "\n";
        for (const char* c : {"LC_NUMERIC", "LC_PAPER", "LC_NAME", "LC_ADDRESS", "LC_TELEPHONE",
                              "LC_MEASUREMENT", "LC_IDENTIFICATION"})
            source << c << "\ncopy \"de_DE\"\nEND " << c << "\n";
        source.close();
        const std::string command = "localedef -i '" + dir.file("source") + "' -f UTF-8 '" +
                                    dir.file(CommaLocaleName) + "' >/dev/null 2>&1";
        return std::system(command.c_str()) == 0 ? dir.path() : std::string();
    }();
    return folder;
}

} // namespace testsupport
