// The playlist reader on 1 MiB of text in its worst shapes, line by line as the
// program reads it; a 3 MB M3U read from disk to its end, as opening it does;
// and the writer on a full table.
// Prints the median time of each over several rounds.
//
//   playlist_bench [--rounds N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
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
        // The longest line that is read (a longer one is skipped).
        {"1 MiB of separators in 64 KiB lines",
         Repeat("#PNAPParam " + std::string(TPlaylistLineSplitter::MaxLineLength - 11, ',') +
                "\n")},
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

    // A large M3U: track information for 3 MB, then the files.
    const std::string m3u =
        (std::filesystem::temp_directory_path() / "phonara-playlist-bench.m3u").string();
    std::string large = "#EXTM3U\r\n";
    while (large.size() < 3000000)
        large += "#EXTINF:123,Somebody - A track that is not in this list at all\r\n";
    for (int n = 1; n <= 32; ++n)
        large += "#PNAPParam 1,0,0\r\n/home/user/Sound/track " + std::to_string(n) + ".ogg\r\n";
    if (!WriteFileReplacing(m3u, large))
        return 1;
    size_t kept = 0;
    const double diskMs = MedianMs(
        rounds,
        [&] {
            TPlaylistDigest digest;
            ReadFileLines(m3u, [&](std::string_view text) {
                if (auto line = ClassifyPlaylistLine(text, 2.5))
                    digest.Add(std::move(*line));
                return true;
            });
            return digest.Lines.size();
        },
        kept);
    std::remove(m3u.c_str());
    std::printf("%-36s %10zu %10.2f\n", "3 MB M3U from disk (lines kept)", kept, diskMs);

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
