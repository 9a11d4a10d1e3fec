// basswv: WavPack decoding for audiolib, through libwavpack.
//
// Lossless, hybrid (with its .wvc correction file when one lies beside the
// file), integer from 1 to 32 bits, 32-bit float, and DSD (decimated to PCM).
// Every channel of the file is delivered; the library decides what a file with
// more than one channel may be used for.

#include "audiolib_plugin.h"

#include <wavpack/wavpack.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

struct WvDecoder {
    std::string path; // to reopen the file when it cannot seek
    WavpackContext* wpc = nullptr;
    int channels = 0;
    bool isFloat = false;
    float scale = 1.f;            // integer samples to [-1, 1)
    std::vector<int32_t> scratch; // libwavpack unpacks into 32-bit words
};

constexpr int kOpenFlags = OPEN_WVC | OPEN_NORMALIZE | OPEN_DSD_AS_PCM | OPEN_FILE_UTF8;
// Frames unpacked per libwavpack call: bounds the scratch buffer.
constexpr long kChunkFrames = 4096;

WavpackContext* openContext(const char* path) {
    // libwavpack reads standard input for "-", and fopen would block on a FIFO.
    struct stat st {};
    if (std::strcmp(path, "-") == 0 || stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    char error[80] = {};
    return WavpackOpenFileInput(path, error, kOpenFlags, 0);
}

// Samples come right-justified in the width of the original container (a
// 20-bit sample in 3 bytes spans the 24-bit range).
float scaleFor(int bytesPerSample) {
    return 1.f / static_cast<float>(1u << (8 * bytesPerSample - 1));
}

void* wvOpen(const char* path, DWORD* rate, DWORD* channels) {
    if (!path || !rate || !channels)
        return nullptr;
    WavpackContext* wpc = openContext(path);
    if (!wpc)
        return nullptr;

    const uint32_t sampleRate = WavpackGetSampleRate(wpc);
    const int numChannels = WavpackGetNumChannels(wpc);
    const int bytes = WavpackGetBytesPerSample(wpc);
    if (sampleRate == 0 || numChannels < 1 || bytes < 1 || bytes > 4) {
        WavpackCloseFile(wpc);
        return nullptr;
    }

    WvDecoder* d = nullptr;
    try {
        d = new WvDecoder;
        d->path = path;
    } catch (const std::bad_alloc&) {
        delete d;
        WavpackCloseFile(wpc);
        return nullptr;
    }
    d->wpc = wpc;
    d->channels = numChannels;
    d->isFloat = (WavpackGetMode(wpc) & MODE_FLOAT) != 0;
    d->scale = scaleFor(bytes);
    *rate = sampleRate;
    *channels = static_cast<DWORD>(numChannels);
    return d;
}

long wvRead(void* decoder, float* out, long frames) {
    auto* d = static_cast<WvDecoder*>(decoder);
    if (!d || !d->wpc || !out || frames < 0)
        return -1;
    const auto chans = static_cast<size_t>(d->channels);
    long done = 0;
    try {
        while (done < frames) {
            const long want = std::min(frames - done, kChunkFrames);
            d->scratch.resize(static_cast<size_t>(want) * chans);
            const uint32_t got =
                WavpackUnpackSamples(d->wpc, d->scratch.data(), static_cast<uint32_t>(want));
            if (got == 0)
                break;
            float* dst = out + static_cast<size_t>(done) * chans;
            const size_t n = static_cast<size_t>(got) * chans;
            if (d->isFloat) {
                // Float files hold the sample's bits; normalised to +-1 on open.
                std::memcpy(dst, d->scratch.data(), n * sizeof(float));
            } else {
                for (size_t i = 0; i < n; ++i)
                    dst[i] = static_cast<float>(d->scratch[i]) * d->scale;
            }
            done += static_cast<long>(got);
        }
    } catch (const std::bad_alloc&) {
        return done > 0 ? done : -1;
    }
    // Nothing came out although the header promises more: the file is
    // truncated or damaged beyond what libwavpack conceals.
    if (done == 0 && frames > 0) {
        const int64_t total = WavpackGetNumSamples64(d->wpc);
        const int64_t at = WavpackGetSampleIndex64(d->wpc);
        if (total > 0 && at >= 0 && at < total)
            return -1;
    }
    return done;
}

int wvRewind(void* decoder) {
    auto* d = static_cast<WvDecoder*>(decoder);
    if (!d || !d->wpc)
        return 0;
    if (WavpackSeekSample64(d->wpc, 0))
        return 1;
    // A failed seek leaves the context unusable: start again from the file,
    // provided it still has the same layout.
    WavpackCloseFile(d->wpc);
    d->wpc = openContext(d->path.c_str());
    if (d->wpc && WavpackGetNumChannels(d->wpc) == d->channels &&
        ((WavpackGetMode(d->wpc) & MODE_FLOAT) != 0) == d->isFloat &&
        scaleFor(WavpackGetBytesPerSample(d->wpc)) == d->scale)
        return 1;
    if (d->wpc)
        WavpackCloseFile(d->wpc);
    d->wpc = nullptr;
    return 0;
}

void wvClose(void* decoder) {
    auto* d = static_cast<WvDecoder*>(decoder);
    if (!d)
        return;
    if (d->wpc)
        WavpackCloseFile(d->wpc);
    delete d;
}

const BASS_PLUGINFORM kFormats[] = {{"WavPack", "*.wv"}};
const BASS_PLUGININFO kInfo = {0x01000000u, 1, kFormats};
const AUDIOLIB_PLUGIN kPlugin = {AUDIOLIB_PLUGIN_ABI, &kInfo, wvOpen, wvRead, wvRewind, wvClose};

} // namespace

extern "C" AUDIOLIB_PLUGIN_EXPORT const AUDIOLIB_PLUGIN* AUDIOLIB_GetPlugin(void) {
    return &kPlugin;
}
