// The export on several cores: the 32-source binaural scene (every source
// circling the listener on its own path, looping, the reverb at level 12 and
// the "Concert Hall" room) rendered by the program's exporter in this process
// with one render lane, two, and one per core (lanes that split the sources),
// and with two lanes that split the export's time, with the warm-up the scene
// needs and with each warm-up asked for. Prints the wall and CPU time (every thread), the
// speed as a multiple of real time, the wall time against one lane's, and how
// far the lanes' render lies from the one-lane render (both rendered again
// with the limiter off, to 32-bit float): for source lanes over the first
// --diff-seconds, for time lanes over the whole export, and around the seam.
//
//   export_bench [--seconds S] [--diff-seconds S] [--rounds N] [--warm-ups 2,4,...]
//                [--room N]   (the environment's item, 1 "Generic" to 26 "Psychotic")
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "BenchPaths.h"
#include "export/ExportOptions.h"
#include "export/ExportRenderer.h"
#include "motion/MotionPath.h"
#include "playlist/PlaylistFormat.h"

namespace fs = std::filesystem;

namespace {

constexpr int Sources = 32;
constexpr int Rate = 44100;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Source i's file: a tone of its own pitch over a little noise, 8 s, looped.
bool WriteSource(const std::string& path, int i) {
    SF_INFO info{};
    info.samplerate = Rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> s(static_cast<size_t>(8 * Rate));
    unsigned noise = 1 + static_cast<unsigned>(i);
    const double hz = 110.0 * std::pow(2.0, i / 12.0);
    for (size_t n = 0; n < s.size(); ++n) {
        noise = noise * 1664525u + 1013904223u;
        s[n] = static_cast<float>(0.2 * std::sin(2 * M_PI * hz * double(n) / Rate) +
                                  0.02 * (double(noise >> 8) / double(1u << 24) - 0.5));
    }
    sf_writef_float(f, s.data(), static_cast<sf_count_t>(s.size()));
    sf_close(f);
    return true;
}

std::string WriteScene(const fs::path& dir, int room) {
    std::vector<TPlaylistChannel> channels;
    for (int i = 0; i < Sources; ++i) {
        TPlaylistChannel c;
        c.FileName = (dir / ("src" + std::to_string(i) + ".wav")).string();
        if (!WriteSource(c.FileName, i))
            return {};
        c.Motion = bench::Circle(0.5 + 1.5 * (i + 1) / Sources, 2.0 + i % 5, i);
        channels.push_back(c);
    }
    const std::string path = (dir / "scene.pna").string();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return {};
    const std::string text = FormatPlaylist(12, room, channels); // 8: "Concert Hall"
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return path;
}

struct TRun {
    double Wall = 0, Cpu = 0, Audio = 0;
    std::vector<double> Lanes; // each lane thread's CPU seconds
    double Mix = 0;            // the exporting thread's
    std::vector<double> Seams; // time lanes: where each later lane takes over
};

// How the lanes split the work: sources, or time after a warm-up of Warm
// seconds (< 0: the one the scene needs).
struct TConfig {
    int Lanes = 1;
    bool Time = false;
    double Warm = -1;
    std::string Name() const {
        if (!Time)
            return std::to_string(Lanes);
        char text[32];
        if (Warm < 0)
            std::snprintf(text, sizeof text, "%d time", Lanes);
        else
            std::snprintf(text, sizeof text, "%d time W=%g", Lanes, Warm);
        return text;
    }
};

TRun Export(const std::string& scene, const std::string& out, TConfig config, double seconds,
            bool limiter, const std::string& plugins) {
    const int threads = config.Lanes;
    TExportOptions o;
    o.SourceLanesOnly = !config.Time;
    if (config.Time && config.Warm >= 0)
        o.WarmUpSeconds = config.Warm;
    o.Playlist = scene;
    o.Output = out;
    o.Format = TExportFormat::Float;
    o.Layout = TExportLayout::Binaural;
    o.Loop = true;
    o.Seconds = seconds;
    o.Force = true;
    o.Threads = threads;
    o.Limiter = limiter;
    const std::atomic<bool> cancel{false};
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = std::chrono::steady_clock::now();
    const TExportOutcome r = RenderExport(o, {}, cancel, plugins);
    TRun run;
    run.Wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    run.Cpu = ProcessCpuSeconds() - cpu0;
    run.Audio = seconds;
    run.Lanes = r.LaneCpuSeconds;
    run.Mix = r.MixCpuSeconds;
    run.Seams = r.TimeSeams;
    if (r.Result != TExportOutcome::Status::Done) {
        std::fprintf(stderr, "export with %s lanes failed: %s\n", config.Name().c_str(),
                     r.Error.c_str());
        std::exit(1);
    }
    if (config.Time == run.Seams.empty()) {
        std::fprintf(stderr, "export with %s lanes did not split as asked\n",
                     config.Name().c_str());
        std::exit(1);
    }
    return run;
}

std::vector<float> ReadFloats(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<float> s(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, s.data(), info.frames);
    sf_close(f);
    return s;
}

// The largest sample difference in dBFS, and the reference's RMS in dBFS.
std::pair<double, double> Difference(const std::vector<float>& a, const std::vector<float>& b) {
    double worst = 0, power = 0;
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        worst = std::max(worst, std::fabs(double(a[i]) - b[i]));
        power += double(a[i]) * a[i];
    }
    if (a.size() != b.size())
        worst = 1;
    const auto db = [](double v) { return v > 0 ? 20 * std::log10(v) : -HUGE_VAL; };
    return {db(worst), db(std::sqrt(power / double(std::max<size_t>(n, 1))))};
}

// Where a time-lane render departs from the one-lane render (both of width
// channels): the largest difference over the whole file and its time, before
// the first seam, in its first 10 ms, in each of the 5 seconds after it, and
// later.
std::string SeamDifference(const std::vector<float>& a, const std::vector<float>& b, int width,
                           double seam) {
    if (a.size() != b.size())
        return "lengths differ";
    const auto db = [](double v) { return v > 0 ? 20 * std::log10(v) : -HUGE_VAL; };
    double worst = 0, at = 0, before = 0, first = 0, later = 0, second[5] = {};
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = std::fabs(double(a[i]) - b[i]);
        const double t = double(i / static_cast<size_t>(width)) / Rate;
        if (d > worst) {
            worst = d;
            at = t;
        }
        double& zone = t < seam        ? before
                       : t >= seam + 5 ? later
                                       : second[static_cast<int>(t - seam)];
        zone = std::max(zone, d);
        if (t >= seam && t < seam + 0.01)
            first = std::max(first, d);
    }
    char text[240];
    std::snprintf(text, sizeof text,
                  "max %.1f at %.3f s; before seam %.1f; first 10 ms %.1f; seconds 1-5 after: "
                  "%.1f %.1f %.1f %.1f %.1f; later %.1f",
                  db(worst), at, db(before), db(first), db(second[0]), db(second[1]), db(second[2]),
                  db(second[3]), db(second[4]), db(later));
    return text;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    setenv("ALSOFT_DRIVERS", "null", 0);
    double seconds = 60, diffSeconds = 10;
    int rounds = 1;
    std::vector<double> warmUps;
    int room = 8;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seconds") == 0)
            seconds = std::max(1.0, std::atof(argv[i + 1]));
        else if (std::strcmp(argv[i], "--diff-seconds") == 0)
            diffSeconds = std::max(1.0, std::atof(argv[i + 1]));
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--room") == 0)
            room = std::clamp(std::atoi(argv[i + 1]), 0, 26);
        else if (std::strcmp(argv[i], "--warm-ups") == 0) {
            warmUps.clear();
            for (const char* p = argv[i + 1]; *p;) {
                char* end = nullptr;
                warmUps.push_back(std::max(0.0, std::strtod(p, &end)));
                p = *end == ',' ? end + 1 : end;
                if (end == p && *p)
                    break;
            }
        }
    }
    const fs::path dir = fs::temp_directory_path() / ("export_bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string plugins = fs::read_symlink("/proc/self/exe").parent_path().string();
    std::printf("Writing the scene: %d sources on circling paths...\n", Sources);
    const std::string scene = WriteScene(dir, room);
    if (scene.empty()) {
        std::fprintf(stderr, "cannot write the scene in %s\n", dir.c_str());
        return 1;
    }
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<TConfig> configs{{1}, {2}};
    if (cores > 2)
        configs.push_back({cores});
    configs.push_back({2, true});
    for (const double w : warmUps)
        configs.push_back({2, true, w});

    std::vector<std::vector<TRun>> runs(configs.size());
    for (int round = 0; round < rounds; ++round)
        for (size_t i = 0; i < configs.size(); ++i) {
            std::printf("Round %d of %d: %s lane(s)...\n", round + 1, rounds,
                        configs[i].Name().c_str());
            std::fflush(stdout);
            runs[i].push_back(
                Export(scene, (dir / "timed.wav").string(), configs[i], seconds, true, plugins));
        }
    std::printf("Comparing the lanes' render with one lane (limiter off)...\n");
    const std::string one = (dir / "one.wav").string();
    Export(scene, one, {1}, diffSeconds, false, plugins);
    const std::vector<float> reference = ReadFloats(one);
    const std::string whole = (dir / "whole.wav").string();
    Export(scene, whole, {1}, seconds, false, plugins);
    const std::vector<float> wholeReference = ReadFloats(whole);

    std::printf("\nThe 32-source binaural scene, %.0f s of audio, float WAV; %d core(s); %d "
                "round(s), medians\n\n",
                seconds, cores, rounds);
    std::printf("%-12s %9s %9s %13s %14s   %s\n", "lanes", "wall s", "CPU s", "x real time",
                "wall / 1 lane", "render - 1 lane (limiter off)");
    double oneWall = 0;
    std::vector<std::string> seamLines;
    for (size_t i = 0; i < configs.size(); ++i) {
        std::vector<double> wall, cpu;
        for (const TRun& r : runs[i]) {
            wall.push_back(r.Wall);
            cpu.push_back(r.Cpu);
        }
        const double w = Median(wall), c = Median(cpu);
        if (configs[i].Lanes == 1)
            oneWall = w;
        std::string diff = "-";
        const std::string sum = (dir / "sum.wav").string();
        if (configs[i].Lanes > 1 && !configs[i].Time) {
            Export(scene, sum, configs[i], diffSeconds, false, plugins);
            const auto [worst, rms] = Difference(reference, ReadFloats(sum));
            char text[80];
            std::snprintf(text, sizeof text, "first %.0f s: %.1f dBFS (RMS %.1f)", diffSeconds,
                          worst, rms);
            diff = text;
        } else if (configs[i].Time) {
            const TRun r = Export(scene, sum, configs[i], seconds, false, plugins);
            const auto [worst, rms] = Difference(wholeReference, ReadFloats(sum));
            char text[80];
            std::snprintf(text, sizeof text, "whole: %.1f dBFS (RMS %.1f)", worst, rms);
            diff = text;
            seamLines.push_back(
                configs[i].Name() + ", seam at " + std::to_string(r.Seams[0]) +
                " s: " + SeamDifference(wholeReference, ReadFloats(sum), 2, r.Seams[0]));
        }
        std::printf("%-12s %9.2f %9.2f %13.1f %13.2fx   %s\n", configs[i].Name().c_str(), w, c,
                    seconds / w, w / oneWall, diff.c_str());
    }
    std::printf("\nTime lanes against one lane, by place (dBFS):\n");
    for (const std::string& line : seamLines)
        std::printf("  %s\n", line.c_str());
    std::printf(
        "\nCPU s by thread (medians): the exporting thread (with one lane, also the render), "
        "then each lane's\n\n");
    for (size_t i = 0; i < configs.size(); ++i) {
        std::vector<double> mix;
        std::vector<std::vector<double>> lane(static_cast<size_t>(configs[i].Lanes));
        for (const TRun& r : runs[i]) {
            mix.push_back(r.Mix);
            for (size_t k = 0; k < r.Lanes.size() && k < lane.size(); ++k)
                lane[k].push_back(r.Lanes[k]);
        }
        std::printf("%-12s %9.2f", configs[i].Name().c_str(), Median(mix));
        for (const auto& l : lane)
            if (!l.empty())
                std::printf(" %9.2f", Median(l));
        std::printf("\n");
    }
    std::printf("\n");
    for (size_t i = 1; i < configs.size(); ++i) {
        if (configs[i].Lanes != 2)
            continue;
        std::vector<double> v;
        for (const TRun& r : runs[i])
            v.push_back(r.Wall);
        const double ratio = Median(v) / oneWall;
        std::printf("%s lanes take %.2fx the wall time of one %s\n", configs[i].Name().c_str(),
                    ratio, ratio <= 0.6 ? "(target <= 0.6x: met)" : "(target <= 0.6x: MISSED)");
    }
    fs::remove_all(dir);
    return 0;
}
