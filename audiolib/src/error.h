// The thread-local error code behind BASS_ErrorGetCode.
#pragma once

#include "audiolib.h"

#include <new>

namespace audiolib {

void setError(int code);

// Sets code and returns value: `return fail(BASS_ERROR_HANDLE, 0);`
template <typename T> T fail(int code, T value) {
    setError(code);
    return value;
}

// Runs the body of an extern "C" entry point: no C++ exception crosses the C
// interface. Out of memory becomes BASS_ERROR_MEMORY, anything else
// BASS_ERROR_UNKNOWN, and the call returns onError. Everything the body holds
// is owned by RAII, so nothing leaks on the way out.
template <typename T, typename Body> T guarded(T onError, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        setError(BASS_ERROR_MEMORY);
    } catch (...) {
        setError(BASS_ERROR_UNKNOWN);
    }
    return onError;
}
template <typename Body> void guardedVoid(Body&& body) noexcept {
    try {
        body();
    } catch (const std::bad_alloc&) {
        setError(BASS_ERROR_MEMORY);
    } catch (...) {
        setError(BASS_ERROR_UNKNOWN);
    }
}

} // namespace audiolib
