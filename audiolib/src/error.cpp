#include "error.h"

namespace audiolib {

namespace {
thread_local int lastError = BASS_OK;
}

void setError(int code) {
    lastError = code;
}

int lastErrorCode() {
    return lastError;
}

} // namespace audiolib

extern "C" AUDIOLIB_API int BASS_ErrorGetCode(void) {
    return audiolib::guarded<int>(BASS_ERROR_UNKNOWN, [] { return audiolib::lastErrorCode(); });
}
