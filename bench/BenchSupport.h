// Small pieces the benchmarks share: the calling thread's CPU time and a test
// tone written with libsndfile.
#pragma once

#include <cmath>
#include <ctime>
#include <sndfile.h>
#include <string>
#include <vector>

namespace bench {

inline double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A mono 44.1 kHz 16-bit WAV of frames samples of a sine at amplitude.
inline bool WriteTone(const std::string& path, size_t frames, float amplitude) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> samples(frames);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude * static_cast<float>(std::sin(static_cast<double>(i) * 0.06));
    sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    return true;
}

} // namespace bench
