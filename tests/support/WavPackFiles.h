// WavPack files for the plug-in tests and the benchmark, written with
// libwavpack's encoder.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

enum class WavPackSamples { Int8, Int16, Int24, Int32, Float32 };

// Writes interleaved samples in [-1, 1] as a lossless WavPack file. Returns an
// empty string on success, otherwise what went wrong.
//
// libwavpack is bound at run time, so that whatever links this file needs no
// link dependency on it (only the plug-in under test links it).
std::string writeWavPack(const std::string& path, const std::vector<float>& samples, int channels,
                         int rate, WavPackSamples kind = WavPackSamples::Int16);

} // namespace testsupport
