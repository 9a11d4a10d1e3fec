// Header-only helpers for the audio library's tests (they need the library,
// which the shared test support does not link): an offline device to render through,
// level measurements on what it renders, and MPEG files.
#pragma once

#include "SoundFiles.h"
#include "audiolib.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <vector>

namespace testsupport {

constexpr int kRenderRate = 44100;

// Opens the library's loopback device for the lifetime of the object.
class LoopbackDevice {
public:
    explicit LoopbackDevice(DWORD hrtf = AUDIOLIB_HRTF_OFF)
        : ok_(AUDIOLIB_InitLoopback(kRenderRate, hrtf) != 0) {}
    ~LoopbackDevice() {
        if (ok_)
            BASS_Free();
    }
    LoopbackDevice(const LoopbackDevice&) = delete;
    LoopbackDevice& operator=(const LoopbackDevice&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

// Renders seconds of interleaved stereo through the open loopback device.
inline std::vector<float> render(double seconds) {
    const auto frames = static_cast<DWORD>(std::lround(seconds * kRenderRate));
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    if (!AUDIOLIB_Render(out.data(), frames))
        out.clear();
    return out;
}

namespace detail {
inline std::pair<size_t, size_t> frameRange(const std::vector<float>& stereo, double from,
                                            double to) {
    const size_t total = stereo.size() / 2;
    const auto a = std::min(total, static_cast<size_t>(std::max(0.0, from) * kRenderRate));
    const auto b = std::min(total, static_cast<size_t>(std::max(0.0, to) * kRenderRate));
    return {a, std::max(a, b)};
}
} // namespace detail

// Level of one output channel (0 left, 1 right) between two times, in seconds.
inline double rms(const std::vector<float>& stereo, int channel, double from = 0.0,
                  double to = 1e9) {
    const auto [a, b] = detail::frameRange(stereo, from, to);
    if (a == b)
        return 0.0;
    double sum = 0.0;
    for (size_t i = a; i < b; ++i) {
        const double v = stereo[i * 2 + static_cast<size_t>(channel)];
        sum += v * v;
    }
    return std::sqrt(sum / static_cast<double>(b - a));
}

inline double peak(const std::vector<float>& stereo, double from = 0.0, double to = 1e9) {
    const auto [a, b] = detail::frameRange(stereo, from, to);
    double p = 0.0;
    for (size_t i = a * 2; i < b * 2; ++i)
        p = std::max(p, std::fabs(static_cast<double>(stereo[i])));
    return p;
}

// The longest run of frames in which both channels stay below threshold.
inline size_t longestQuietRun(const std::vector<float>& stereo, double from, double to,
                              float threshold = 1e-4f) {
    const auto [a, b] = detail::frameRange(stereo, from, to);
    size_t run = 0, best = 0;
    for (size_t i = a; i < b; ++i) {
        const bool quiet =
            std::fabs(stereo[i * 2]) < threshold && std::fabs(stereo[i * 2 + 1]) < threshold;
        run = quiet ? run + 1 : 0;
        best = std::max(best, run);
    }
    return best;
}

// Frequency from the upward zero crossings of one channel, between two frames.
inline double frequency(const std::vector<float>& stereo, int channel, size_t from, size_t to,
                        int rate) {
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        if (stereo[2 * (i - 1) + channel] < 0.f && stereo[2 * i + channel] >= 0.f)
            ++crossings;
    return crossings * double(rate) / double(to - from);
}

// The path of libaudiolib.so as loaded.
inline std::string libraryPath() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&BASS_GetVersion), &info) || !info.dli_fname)
        return {};
    return std::filesystem::absolute(info.dli_fname).string();
}

// The folder of the built plug-ins: PHONARA_PLUGIN_DIR, else the library's own.
inline std::string pluginDir() {
    if (const char* dir = std::getenv("PHONARA_PLUGIN_DIR"); dir && *dir)
        return dir;
    return std::filesystem::path(libraryPath()).parent_path().string();
}

inline std::string wavPackPlugin() {
    return pluginDir() + "/basswv.so";
}

// Writes an MPEG Layer III file through libsndfile. False when libsndfile
// cannot write MPEG on this system.
inline bool writeMp3(const std::string& path, const ToneSpec& toneSpec = {}) {
    SF_INFO info{};
    info.samplerate = toneSpec.rate;
    info.channels = toneSpec.channels;
    info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        return false;
    const auto samples = toneSamples(toneSpec);
    sf_writef_float(file, samples.data(),
                    static_cast<sf_count_t>(samples.size()) / toneSpec.channels);
    sf_close(file);
    return true;
}

} // namespace testsupport
