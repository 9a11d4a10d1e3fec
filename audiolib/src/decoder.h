// The library's inner decoder interface: every format, built in or from a
// plug-in, is read through it on the streaming thread.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace audiolib {

class Decoder {
public:
    virtual ~Decoder() = default;
    virtual int rate() const = 0;
    virtual int channels() const = 0;
    // Reads up to frames interleaved float frames into out. Returns the frames
    // read; 0 at the end of the data or on a decoding error.
    virtual size_t read(float* out, size_t frames) = 0;
    // Back to the first frame. False when the source cannot seek.
    virtual bool rewind() = 0;
};

// The sample rates a stream may have. Below the lower bound OpenAL Soft cannot
// resample far enough, and a stream's buffers (a fiftieth of a second each)
// would hold no frame at all: it would never end.
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 384000;

// Sample values beyond this are damage, not signal; it lies far enough above
// full scale that a legitimate over still passes.
constexpr float kSampleLimit = 16.f;

// Replaces non-finite samples with silence and clamps the rest to
// +-kSampleLimit. One NaN or infinity reaching OpenAL Soft would make its filter
// and reverb state non-finite, silencing every source until the device closes;
// a huge finite value overflows there to the same effect. With peaks, the
// largest bounded magnitude of each of chans interleaved channels is raised
// into peaks[0..chans) in the same pass.
void boundSamples(float* samples, size_t count, size_t chans = 1, float* peaks = nullptr);

// Opens path with the plug-ins loaded so far, in load order. Null (and error
// code set) when none takes it. Defined with the plug-in loader.
std::unique_ptr<Decoder> openWithPlugins(const std::string& path);

} // namespace audiolib
