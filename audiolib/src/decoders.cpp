// Picks a decoder for a file by its content, never by its name.
#include "error.h"
#include "internal.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

namespace audiolib {

void boundSamples(float* samples, size_t count, size_t chans, float* peaks) {
    // Nearly always there is nothing to bound: a pass that only compares and
    // takes the peaks (and vectorises) comes first. A NaN fails the comparison.
    bool inside = true;
    if (!peaks) {
        for (size_t i = 0; i < count; ++i)
            inside &= std::fabs(samples[i]) <= kSampleLimit;
    } else if (chans == 1) {
        float p = peaks[0];
        for (size_t i = 0; i < count; ++i) {
            const float a = std::fabs(samples[i]);
            inside &= a <= kSampleLimit;
            p = std::max(p, a);
        }
        if (inside)
            peaks[0] = p;
    } else if (chans == 2) {
        float l = peaks[0], r = peaks[1];
        for (size_t i = 0; i + 1 < count; i += 2) {
            const float a = std::fabs(samples[i]), b = std::fabs(samples[i + 1]);
            inside &= a <= kSampleLimit && b <= kSampleLimit;
            l = std::max(l, a);
            r = std::max(r, b);
        }
        if (inside) {
            peaks[0] = l;
            peaks[1] = r;
        }
    } else {
        inside = false;
    }
    if (inside)
        return;
    if (!peaks) {
        for (size_t i = 0; i < count; ++i) {
            const float v = samples[i];
            samples[i] = std::isfinite(v) ? std::clamp(v, -kSampleLimit, kSampleLimit) : 0.f;
        }
        return;
    }
    for (size_t i = 0; i < count; ++i) {
        const float v = samples[i];
        const float b = std::isfinite(v) ? std::clamp(v, -kSampleLimit, kSampleLimit) : 0.f;
        samples[i] = b;
        float& p = peaks[i % chans];
        p = std::max(p, std::fabs(b));
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
