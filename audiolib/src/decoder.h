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

// Opens path with the plug-ins loaded so far, in load order. Null (and error
// code set) when none takes it. Defined with the plug-in loader.
std::unique_ptr<Decoder> openWithPlugins(const std::string& path);

} // namespace audiolib
