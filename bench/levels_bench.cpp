// The Levels window at full load: 32 channels loop a swelling tone in the program
// on the real library (OpenAL Soft's null output), first with the window
// closed, then open. Prints the GUI thread's CPU time per second each way and
// the difference, the window's own cost, with its readings per second.
//
//   levels_bench [--seconds N]
#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchSupport.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "levels/LevelsWindow.h"

namespace {

constexpr int Channels = 32;

// A second of sine whose loudness swells and falls four times (from silence to
// -1 dBFS): every meter moves at every reading, the worst case for drawing.
bool WriteSwellingTone(const std::string& path) {
    std::vector<float> samples(44100);
    for (size_t i = 0; i < samples.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double envelope = 0.45 * (1 - std::cos(2 * M_PI * 4 * t));
        samples[i] = static_cast<float>(envelope * std::sin(2 * M_PI * 440 * t));
    }
    return bench::WriteMonoWav(path, samples);
}

struct Run {
    double meanCpu = 0, worstCpu = 0;
    double readingsPerSecond = 0;
};

// seconds + 1 whole seconds of the event loop; the first (the start) is left out.
Run Measure(QApplication& app, TFrmPhonaraPlayer& window, int seconds) {
    std::vector<double> cpu;
    double last = bench::ThreadCpuSeconds();
    const long readingsBefore = window.LevelsWindow->Readings();
    long readingsAfterFirst = readingsBefore;
    QTimer second;
    second.setInterval(1000);
    QObject::connect(&second, &QTimer::timeout, [&] {
        const double now = bench::ThreadCpuSeconds();
        cpu.push_back(now - last);
        last = now;
        if (cpu.size() == 1)
            readingsAfterFirst = window.LevelsWindow->Readings();
        if (static_cast<int>(cpu.size()) >= seconds + 1)
            app.quit();
    });
    second.start();
    app.exec();
    const std::vector<double> steady(cpu.begin() + 1, cpu.end());
    Run r;
    for (double c : steady)
        r.meanCpu += c;
    r.meanCpu /= static_cast<double>(steady.size());
    r.worstCpu = *std::max_element(steady.begin(), steady.end());
    r.readingsPerSecond =
        double(window.LevelsWindow->Readings() - readingsAfterFirst) / double(steady.size());
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::SecondsArgument(argc, argv, 10);
    const std::filesystem::path dir = bench::HeadlessFolder("levels_bench");

    QApplication app(argc, argv);
    TFrmPhonaraPlayer window;
    if (!window.BASSInitialize()) {
        std::fprintf(stderr, "no output device\n");
        return 1;
    }
    const std::string tone = (dir / "tone.wav").string();
    if (!WriteSwellingTone(tone))
        return 1;
    for (int n = 1; n <= Channels; ++n) {
        window.LoadChannelFile(n, tone);
        Sources[n].Selected = true;
    }
    window.show();
    window.LoopButtonClick();

    const Run closed = Measure(app, window, seconds);
    window.Levels1Click(true);
    const Run open = Measure(app, window, seconds);
    window.Levels1Click(false);

    std::printf("%d channels looping, %d s each way\n", Channels, seconds);
    std::printf("  GUI thread CPU, Levels closed: mean %.2f%%, worst second %.2f%% of a core\n",
                closed.meanCpu * 100, closed.worstCpu * 100);
    std::printf("  GUI thread CPU, Levels open:   mean %.2f%%, worst second %.2f%% of a core\n",
                open.meanCpu * 100, open.worstCpu * 100);
    std::printf("  the window's own cost: %.2f%% of a core (goal 2%%), %.1f readings a second\n",
                (open.meanCpu - closed.meanCpu) * 100, open.readingsPerSecond);
    window.StopButtonClick();
    std::filesystem::remove_all(dir);
    return 0;
}
