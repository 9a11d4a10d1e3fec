// The playlist reader on the largest text it is ever given (the 1 MiB that is
// read of any file), in its worst shapes, line by line as the program reads
// it, and the writer on a full table.
// Prints the median time of each over several rounds.
//
//   playlist_bench [--rounds N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"

namespace {

double MedianMs(int rounds, const std::function<size_t()>& work, size_t& result) {
    std::vector<double> ms;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        result = work();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

std::string Repeat(const std::string& line) {
    std::string text;
    while (text.size() + line.size() <= PlaylistReadLimit)
        text += line;
    return text;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 15;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));

    std::string binary;
    for (size_t i = 0; binary.size() < PlaylistReadLimit; ++i)
        binary += static_cast<char>((i * 131 + 7) % 255 + 1);
    const struct {
        const char* name;
        std::string text;
    } inputs[] = {
        {"1 MiB of one-byte file lines", Repeat("x\n")},
        {"1 MiB of position lines", Repeat("#PNAPParam 1.25,-0.5,0.150000005960464\r\n")},
        {"1 MiB of separators in one line", "#PNAPParam " + std::string(PlaylistReadLimit, ',')},
        {"1 MiB of bytes 1..255", binary},
    };
    std::printf("%-36s %10s %10s\n", "reading", "lines", "median ms");
    for (const auto& in : inputs) {
        size_t lines = 0;
        const double ms = MedianMs(
            rounds,
            [&] {
                size_t n = 0;
                ParsePlaylist(in.text, 2.5, [&](const TPlaylistLine&) { return ++n > 0; });
                return n;
            },
            lines);
        std::printf("%-36s %10zu %10.2f\n", in.name, lines, ms);
    }

    std::vector<TPlaylistChannel> table;
    for (int n = 1; n <= 32; ++n)
        table.push_back(
            {0.05f * n - 1.6f, -0.35f, 2.5f / n,
             "/home/user/Sound/a long folder name/track " + std::to_string(n) + ".ogg"});
    size_t bytes = 0;
    const double ms = MedianMs(
        rounds * 100, [&] { return FormatPlaylist(20, 26, table).size(); }, bytes);
    std::printf("%-36s %10zu %10.4f\n", "writing 32 channels (bytes)", bytes, ms);
    return 0;
}
