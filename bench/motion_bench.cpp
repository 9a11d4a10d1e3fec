// Motion paths at full load: 32 channels loop their files, each source
// circling the listener on its own path, in the program on the real library
// (OpenAL Soft's null output). Prints the CPU time of the GUI thread per
// second, the frames run per second (the sound moves at each) and the frames
// that drew the markers.
//
//   motion_bench [--seconds N]
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchPaths.h"
#include "BenchSupport.h"
#include "app/PNAP.h"
#include "channels/Sources.h"

namespace {

constexpr int Channels = 32;

using bench::ThreadCpuSeconds;

bool WriteTone(const std::string& path) {
    return bench::WriteTone(path, 44100, 0.1f);
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::SecondsArgument(argc, argv, 10);
    const std::filesystem::path dir = bench::HeadlessFolder("motion_bench");

    QApplication app(argc, argv);
    TFrmPhonaraPlayer window;
    if (!window.BASSInitialize()) {
        std::fprintf(stderr, "no output device\n");
        return 1;
    }
    const std::string tone = (dir / "tone.wav").string();
    if (!WriteTone(tone))
        return 1;
    for (int n = 1; n <= Channels; ++n) {
        window.LoadChannelFile(n, tone);
        window.SetChannelMotion(n, bench::Circle(0.5 + 1.5 * n / Channels, 2.0 + n % 5, n));
        Sources[n].Selected = true;
    }
    window.show();
    window.LoopButtonClick();

    std::vector<double> cpuPerSecond;
    std::vector<int> framesPerSecond;
    double lastCpu = ThreadCpuSeconds();
    int lastFrames = window.MotionFrames;
    std::vector<int> markerFramesPerSecond;
    int lastMarkerFrames = window.MarkerFrames;
    QTimer second;
    second.setInterval(1000);
    QObject::connect(&second, &QTimer::timeout, [&] {
        const double cpu = ThreadCpuSeconds();
        cpuPerSecond.push_back(cpu - lastCpu);
        framesPerSecond.push_back(window.MotionFrames - lastFrames);
        lastCpu = cpu;
        lastFrames = window.MotionFrames;
        markerFramesPerSecond.push_back(window.MarkerFrames - lastMarkerFrames);
        lastMarkerFrames = window.MarkerFrames;
        if (static_cast<int>(cpuPerSecond.size()) >= seconds + 1)
            app.quit();
    });
    second.start();
    app.exec();

    // The first second includes the start.
    const std::vector<double> steady(cpuPerSecond.begin() + 1, cpuPerSecond.end());
    const std::vector<int> frames(framesPerSecond.begin() + 1, framesPerSecond.end());
    double mean = 0;
    for (double c : steady)
        mean += c;
    mean /= static_cast<double>(steady.size());
    std::printf("%d channels on circling paths for %d s\n", Channels, seconds);
    std::printf("  GUI thread CPU: mean %.2f%%, worst second %.2f%% of a core\n", mean * 100,
                *std::max_element(steady.begin(), steady.end()) * 100);
    std::printf("  frames per second: fewest %d, most %d\n",
                *std::min_element(frames.begin(), frames.end()),
                *std::max_element(frames.begin(), frames.end()));
    const std::vector<int> drawn(markerFramesPerSecond.begin() + 1, markerFramesPerSecond.end());
    const int fewestDrawn = *std::min_element(drawn.begin(), drawn.end());
    std::printf("  marker frames per second: fewest %d, most %d %s\n", fewestDrawn,
                *std::max_element(drawn.begin(), drawn.end()),
                fewestDrawn >= 25 ? "(target >= 25: met)" : "(target >= 25: MISSED)");
    std::printf("  GUI thread target <= 3%% of a core: %s\n", mean <= 0.03 ? "met" : "MISSED");
    window.StopButtonClick();
    std::filesystem::remove_all(dir);
    return 0;
}
