// Picks a decoder for a file by its content, never by its name.
#include "error.h"
#include "internal.h"

#include <sys/stat.h>

namespace audiolib {

bool checkFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(BASS_ERROR_FILEOPEN, false);
    if (st.st_size == 0)
        return fail(BASS_ERROR_FORMAT, false);
    return true;
}

std::unique_ptr<Decoder> openStreamDecoder(const std::string& path, bool mono) {
    if (!checkFile(path))
        return nullptr;
    int error = BASS_ERROR_FORMAT;
    if (auto d = openSndfile(path, error))
        return d;
    if (error == BASS_ERROR_FILEOPEN)
        return fail(error, nullptr);
    if (auto d = openMpeg(path, mono, error))
        return d;
    if (error == BASS_ERROR_FILEOPEN)
        return fail(error, nullptr);
    return openWithPlugins(path); // sets the error code itself
}

} // namespace audiolib
