// Small pieces the benchmarks share: the calling thread's CPU time, a test
// tone written with libsndfile, the window benchmarks' --seconds and their
// headless surroundings.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "export/ThreadCpu.h"

namespace bench {

using ::ThreadCpuSeconds;

// A mono 44.1 kHz 16-bit WAV of the samples.
inline bool WriteMonoWav(const std::string& path, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    sf_writef_float(f, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(f);
    return true;
}

// A mono 44.1 kHz 16-bit WAV of frames samples of a sine at amplitude.
inline bool WriteTone(const std::string& path, size_t frames, float amplitude) {
    std::vector<float> samples(frames);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = amplitude * static_cast<float>(std::sin(static_cast<double>(i) * 0.06));
    return WriteMonoWav(path, samples);
}

// The value of --seconds N among the arguments (at least 1), else fallback.
inline int SecondsArgument(int argc, char** argv, int fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seconds") == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return fallback;
}

// A window benchmark runs headless on the null output, with settings and a
// runtime folder of its own (a runtime folder must be the user's alone, or Qt
// complains); the folder, named after the benchmark.
inline std::filesystem::path HeadlessFolder(const std::string& name) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir / "config");
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 0);
    return dir;
}

} // namespace bench
