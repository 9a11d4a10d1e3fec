// Arbitrary bytes as playlist text. Besides the sanitizers' findings, a
// setting outside its range in what the reader returns is a fault, and so are
// other lines when the text arrives in pieces (as a file is read) than whole.
#include "playlist/PlaylistFormat.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

    // The same text in pieces of a size taken from its first byte.
    const size_t piece = size == 0 ? 1 : 1 + data[0] % 64;
    auto linesOf = [&](size_t step) {
        std::vector<std::string> lines;
        TPlaylistLineSplitter splitter;
        auto add = [&](std::string_view line) {
            lines.emplace_back(line);
            return true;
        };
        bool more = true;
        for (size_t at = 0; more && at < size; at += step)
            more = splitter.Feed(text.substr(at, step), add);
        if (more)
            splitter.Finish(add);
        return lines;
    };
    if (linesOf(piece) != linesOf(size + 1))
        __builtin_trap();
    return 0;
}
