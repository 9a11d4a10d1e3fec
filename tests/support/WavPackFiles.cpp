#include "WavPackFiles.h"

#include <wavpack/wavpack.h>

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace testsupport {
namespace {

// The few encoder functions we need, looked up in the shared libwavpack.
struct Encoder {
    decltype(&WavpackOpenFileOutput) openOutput = nullptr;
    decltype(&WavpackSetConfiguration64) setConfiguration = nullptr;
    decltype(&WavpackPackInit) packInit = nullptr;
    decltype(&WavpackPackSamples) packSamples = nullptr;
    decltype(&WavpackFlushSamples) flushSamples = nullptr;
    decltype(&WavpackGetErrorMessage) errorMessage = nullptr;
    decltype(&WavpackCloseFile) closeFile = nullptr;
    std::string error;
};

template <typename Fn> void bind(void* lib, const char* name, Fn& fn, std::string& error) {
    fn = reinterpret_cast<Fn>(dlsym(lib, name));
    if (!fn && error.empty())
        error = std::string("libwavpack lacks ") + name;
}

const Encoder& encoder() {
    static const Encoder e = [] {
        Encoder enc;
        // Stays loaded for the rest of the process, like any library.
        void* lib = dlopen("libwavpack.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            enc.error = std::string("cannot load libwavpack: ") + dlerror();
            return enc;
        }
        bind(lib, "WavpackOpenFileOutput", enc.openOutput, enc.error);
        bind(lib, "WavpackSetConfiguration64", enc.setConfiguration, enc.error);
        bind(lib, "WavpackPackInit", enc.packInit, enc.error);
        bind(lib, "WavpackPackSamples", enc.packSamples, enc.error);
        bind(lib, "WavpackFlushSamples", enc.flushSamples, enc.error);
        bind(lib, "WavpackGetErrorMessage", enc.errorMessage, enc.error);
        bind(lib, "WavpackCloseFile", enc.closeFile, enc.error);
        return enc;
    }();
    return e;
}

int writeBlock(void* id, void* data, int32_t bytes) {
    auto* f = static_cast<std::FILE*>(id);
    return std::fwrite(data, 1, static_cast<size_t>(bytes), f) == static_cast<size_t>(bytes);
}

int32_t toInt(float v, int bits) {
    const double full = std::ldexp(1.0, bits - 1);
    const double x = std::round(static_cast<double>(v) * full);
    return static_cast<int32_t>(std::clamp(x, -full, full - 1));
}

} // namespace

std::string writeWavPack(const std::string& path, const std::vector<float>& samples, int channels,
                         int rate, WavPackSamples kind) {
    const Encoder& enc = encoder();
    if (!enc.error.empty())
        return enc.error;
    if (channels < 1 || rate < 1 || samples.size() % static_cast<size_t>(channels) != 0)
        return "bad sample layout";

    WavpackConfig config{};
    switch (kind) {
    case WavPackSamples::Int8:
        config.bits_per_sample = 8;
        break;
    case WavPackSamples::Int16:
        config.bits_per_sample = 16;
        break;
    case WavPackSamples::Int24:
        config.bits_per_sample = 24;
        break;
    case WavPackSamples::Int32:
    case WavPackSamples::Float32:
        config.bits_per_sample = 32;
        break;
    }
    config.bytes_per_sample = config.bits_per_sample / 8;
    if (kind == WavPackSamples::Float32)
        config.float_norm_exp = 127; // +-1.0 full scale
    config.num_channels = channels;
    config.sample_rate = rate;
    config.channel_mask = channels == 1 ? 0x4 : channels == 2 ? 0x3 : (1 << channels) - 1;

    std::vector<int32_t> words(samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        if (kind == WavPackSamples::Float32)
            std::memcpy(&words[i], &samples[i], sizeof(float));
        else
            words[i] = toInt(samples[i], config.bits_per_sample);
    }

    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return "cannot create " + path;
    const int64_t frames = static_cast<int64_t>(samples.size()) / channels;
    WavpackContext* wpc = enc.openOutput(writeBlock, f, nullptr);
    std::string error;
    if (!wpc) {
        error = "WavpackOpenFileOutput failed";
    } else if (!enc.setConfiguration(wpc, &config, frames, nullptr) || !enc.packInit(wpc) ||
               !enc.packSamples(wpc, words.data(), static_cast<uint32_t>(frames)) ||
               !enc.flushSamples(wpc)) {
        error = std::string("libwavpack: ") + enc.errorMessage(wpc);
    }
    if (wpc)
        enc.closeFile(wpc);
    if (std::fclose(f) != 0 && error.empty())
        error = "short write to " + path;
    return error;
}

} // namespace testsupport
