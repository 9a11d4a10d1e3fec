// The thread-local error code behind BASS_ErrorGetCode.
#pragma once

namespace audiolib {

void setError(int code);

// Sets code and returns value: `return fail(BASS_ERROR_HANDLE, 0);`
template <typename T> T fail(int code, T value) {
    setError(code);
    return value;
}

} // namespace audiolib
