// SOFA conversion: the MIT KEMAR file Debian's libmysofa ships, read, turned
// into a data set at both rates and installed, as the audio menu's worker
// does; and the same after the read for a set of a 20 MB file's size
// (2500 directions x 2 ears x 512 taps: 20.5 MB of 64-bit samples), made in
// memory. Prints the median of several rounds of each step, wall-clock and
// the thread's CPU time.
//
//   sofa_bench [--rounds N] [FILE.sofa]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

#include "hrtf/SofaConvert.h"

namespace {

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The median wall-clock time and the median CPU time of the thread, in ms.
struct TTimes {
    double wall = 0, cpu = 0;
};
TTimes MedianMs(int rounds, const std::function<bool()>& work) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        const double c0 = CpuMs();
        if (!work()) {
            std::fprintf(stderr, "sofa_bench: a round failed\n");
            std::exit(1);
        }
        cpu.push_back(CpuMs() - c0);
        wall.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// 25 rings of 100 directions from -90 to +90 degrees, each ear's response a
// decaying tone after a delay that grows away from its side.
TSofaData Synthetic(size_t directions) {
    TSofaData d;
    d.Convention = "SimpleFreeFieldHRIR";
    d.Title = "bench";
    d.Receivers = 2;
    d.Samples = 512;
    d.Rate = 48000;
    d.Delays = {0.f, 0.f};
    const size_t rings = 25, perRing = directions / rings;
    for (size_t i = 0; i < directions; ++i) {
        const double az = 360.0 * static_cast<double>(i % perRing) / static_cast<double>(perRing);
        const double el = -90.0 + 180.0 * static_cast<double>((i / perRing) % rings) / (rings - 1);
        d.Places.push_back({az, el, 1.2});
        const double side =
            std::sin(az * std::numbers::pi / 180) * std::cos(el * std::numbers::pi / 180);
        for (int ear = 0; ear < 2; ++ear) {
            const double near = ear == 0 ? side : -side;
            const int lag = 10 + static_cast<int>(std::lround(12 * (1 - near)));
            for (int k = 0; k < 512; ++k)
                d.Responses.push_back(
                    k < lag
                        ? 0.f
                        : static_cast<float>((1.2 + near) * std::exp(-(k - lag) / 8.0) *
                                             std::cos(0.7 * (k - lag) + static_cast<double>(i))));
        }
    }
    return d;
}

void Report(const char* what, TTimes read, TTimes convert, TTimes install) {
    std::printf("%-34s read %8.1f ms   convert (44.1 + 48 kHz) %8.1f ms   install %6.1f ms   "
                "total %8.1f ms\n",
                what, read.wall, convert.wall, install.wall,
                read.wall + convert.wall + install.wall);
    std::printf("%-34s read %8.1f ms   convert (44.1 + 48 kHz) %8.1f ms   install %6.1f ms   "
                "total %8.1f ms\n",
                "  CPU time", read.cpu, convert.cpu, install.cpu,
                read.cpu + convert.cpu + install.cpu);
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 5;
    std::string file = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else
            file = argv[i];
    }
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("sofa_bench-" + std::to_string(::getpid())))
            .string();
    std::vector<std::pair<int, std::string>> sets;
    auto convert = [&](const TSofaData& d) {
        sets.clear();
        for (int rate : HrtfRates()) {
            std::string bytes;
            TSofaProblem problem;
            if (!MakeHrtfDataSet(d, rate, bytes, problem))
                return false;
            sets.emplace_back(rate, std::move(bytes));
        }
        return true;
    };
    auto install = [&] {
        std::string name = "bench";
        TSofaProblem problem;
        return InstallHrtfSet(folder, name, sets, problem);
    };

    TSofaData data;
    const TTimes read = MedianMs(rounds, [&] {
        TSofaProblem problem;
        return ReadSofa(file, data, problem);
    });
    const TTimes made = MedianMs(rounds, [&] { return convert(data); });
    const TTimes written = MedianMs(rounds, install);
    std::printf("%s: %zu directions, %u taps at %.0f Hz, %.1f MB\n", file.c_str(),
                data.Places.size(), data.Samples, data.Rate,
                static_cast<double>(std::filesystem::file_size(file)) / 1e6);
    Report("file", read, made, written);

    const TSofaData big = Synthetic(2500);
    const TTimes checked = MedianMs(rounds, [&] {
        TSofaProblem problem;
        return CheckSofa(big, problem);
    });
    const TTimes bigMade = MedianMs(rounds, [&] { return convert(big); });
    const TTimes bigWritten = MedianMs(rounds, install);
    Report("20 MB of responses (after read)", checked, bigMade, bigWritten);
    std::filesystem::remove_all(folder);
    return 0;
}
