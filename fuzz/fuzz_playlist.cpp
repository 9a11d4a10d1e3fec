// Arbitrary bytes as playlist text. Besides the sanitizers' findings, a
// setting outside its range in what the reader returns is a fault.
#include "playlist/PlaylistFormat.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr double kLimit = 2.5;

bool inRange(const std::optional<float>& v) {
    return !v || std::fabs(*v) <= kLimit;
}

bool inRange(const std::optional<int>& v, int max) {
    return !v || (*v >= 0 && *v <= max);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const TPlaylistLine& line : ParsePlaylist(text, kLimit)) {
        if (!inRange(line.X) || !inRange(line.Y) || !inRange(line.Z) ||
            !inRange(line.ReverbLevel, PlaylistMaxReverbLevel) ||
            !inRange(line.Environment, PlaylistMaxEnvironment))
            __builtin_trap();
        if (line.Path.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            __builtin_trap();
    }
    return 0;
}
