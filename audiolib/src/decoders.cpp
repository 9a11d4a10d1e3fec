// Picks a decoder for a file by its content, never by its name.
#include "error.h"
#include "internal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace audiolib {

void boundSamples(float* samples, size_t count) {
    // Nearly always there is nothing to do: a pass that only compares (and
    // vectorises) comes first. A NaN fails the comparison.
    bool inside = true;
    for (size_t i = 0; i < count; ++i)
        inside &= std::fabs(samples[i]) <= kSampleLimit;
    if (inside)
        return;
    for (size_t i = 0; i < count; ++i) {
        const float v = samples[i];
        samples[i] = std::isfinite(v) ? std::clamp(v, -kSampleLimit, kSampleLimit) : 0.f;
    }
}

bool checkFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(BASS_ERROR_FILEOPEN, false);
    if (st.st_size == 0)
        return fail(BASS_ERROR_FORMAT, false);
    return true;
}

namespace {

// Whichever decoder took the file, a rate the channel cannot play is refused.
std::unique_ptr<Decoder> playable(std::unique_ptr<Decoder> d) {
    if (d && (d->rate() < kMinRate || d->rate() > kMaxRate || d->channels() < 1))
        return fail(BASS_ERROR_FORMAT, nullptr);
    return d;
}

std::unique_ptr<Decoder> openAny(const std::string& path, bool mono) {
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

} // namespace

std::unique_ptr<Decoder> openStreamDecoder(const std::string& path, bool mono) {
    return playable(openAny(path, mono));
}

} // namespace audiolib
