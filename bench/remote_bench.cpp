// The OSC remote control under a controller's full load: 32 objects moved
// 100 times a second each through the real socket for 10 s, into the program
// on the real library (OpenAL Soft's null output). Prints the CPU time of the
// GUI thread per second and the delay from sending a datagram to its position
// (or a newer one) being handed to OpenAL. Then a flood of 100,000 random
// datagrams: how long the window's event loop was held up at most, and
// whether every channel stayed where it was.
//
//   remote_bench [--seconds N] [--no-flood]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <lo/lo.h>
#include <random>
#include <sndfile.h>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "remote/RemoteServer.h"

namespace {

constexpr int Objects = 32;
constexpr int Rate = 100;   // messages per object per second
constexpr int Steps = 4096; // x = k / 2048 - 1 is exact in a float, k identifies the message
constexpr int FloodCount = 100000;

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

using bench::ThreadCpuSeconds;

bool WriteTone(const std::string& path) {
    return bench::WriteTone(path, 4410, 0.2f);
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1,
                      static_cast<size_t>(p / 100.0 * static_cast<double>(v.size())))];
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = bench::SecondsArgument(argc, argv, 10);
    bool flood = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-flood") == 0)
            flood = false;
    const std::filesystem::path dir = bench::HeadlessFolder("remote_bench");

    QApplication app(argc, argv);
    TFrmPhonaraPlayer window;
    if (!window.BASSInitialize()) {
        std::fprintf(stderr, "no output device\n");
        return 1;
    }
    const std::string tone = (dir / "tone.wav").string();
    if (!WriteTone(tone))
        return 1;
    for (int n = 1; n <= Objects; ++n)
        window.LoadChannelFile(n, tone);
    window.LoopButtonClick(); // channel 1 plays: OpenAL mixes while it is moved
    window.show();
    window.StartRemoteControl(); // off, as stored
    TRemoteSettings on;
    on.Enabled = true;
    on.Port = 0; // a port the system picks
    if (!window.Remote->Apply(on)) {
        std::fprintf(stderr, "cannot listen: %s\n", window.Remote->Status().toLocal8Bit().data());
        return 1;
    }
    const quint16 port = window.Remote->Port();

    {
        // The decoder alone, on the same message.
        remote::Protocol decoder;
        remote::State state;
        for (int n = 1; n <= Objects; ++n)
            state[n].loaded = true;
        const remote::Datagram d =
            remote::Message("/adm/obj/17/xyz").Float(0.5).Float(0.25).Float(0).Encode();
        constexpr int Runs = 200000;
        const double cpu0 = ThreadCpuSeconds();
        for (int i = 0; i < Runs; ++i)
            decoder.Handle(d.data(), d.size(), true, state);
        std::printf("decoder alone: %.2f us per datagram\n",
                    (ThreadCpuSeconds() - cpu0) * 1e6 / Runs);
    }

    // Send times by channel and message number, and the delays seen.
    const int perChannel = seconds * Rate + 10;
    std::vector<std::atomic<int64_t>> sent(static_cast<size_t>(Objects * perChannel));
    std::vector<int> resolved(Objects + 1, 0); // messages of channel n resolved so far
    std::vector<double> delaysMs;
    delaysMs.reserve(static_cast<size_t>(Objects * perChannel));
    auto original = window.Remote->onMoves;
    window.Remote->onMoves = [&](const std::vector<std::pair<int, remote::Vec3>>& moves) {
        original(moves);
        const int64_t now = NowNs();
        for (const auto& [n, p] : moves) {
            // The x the window now holds names the newest message applied:
            // it and every older one of the channel have arrived.
            const int k = static_cast<int>(std::lround((Sources[n].Position.x / 2.5 + 1) * 2048));
            for (int i = resolved[n]; i <= k && i < perChannel; ++i) {
                const int64_t t = sent[static_cast<size_t>((n - 1) * perChannel + i)].load();
                if (t)
                    delaysMs.push_back(static_cast<double>(now - t) * 1e-6);
            }
            resolved[n] = std::max(resolved[n], k + 1);
        }
    };

    std::atomic<bool> sending{true};
    std::thread sender([&] {
        lo_address to = lo_address_new("127.0.0.1", std::to_string(port).c_str());
        const auto start = Clock::now();
        for (int i = 0; i < seconds * Rate && sending; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / Rate));
            const float x = static_cast<float>(i % Steps) / 2048.f - 1.f;
            for (int n = 1; n <= Objects; ++n) {
                char path[32];
                std::snprintf(path, sizeof path, "/adm/obj/%d/xyz", n);
                sent[static_cast<size_t>((n - 1) * perChannel + i)] = NowNs();
                lo_send(to, path, "fff", static_cast<double>(x), 0.25, 0.0);
            }
        }
        lo_address_free(to);
    });

    // The GUI thread's CPU time, second by second.
    std::vector<double> cpuPerSecond;
    double lastCpu = ThreadCpuSeconds();
    QTimer perSecond;
    QObject::connect(&perSecond, &QTimer::timeout, [&] {
        const double cpu = ThreadCpuSeconds();
        cpuPerSecond.push_back(cpu - lastCpu);
        lastCpu = cpu;
        if (static_cast<int>(cpuPerSecond.size()) >= seconds + 1)
            app.quit();
    });
    perSecond.start(1000);
    app.exec();
    sending = false;
    sender.join();
    perSecond.stop();

    // The first second holds the start; the rest is the steady load.
    std::vector<double> steady(cpuPerSecond.begin() + 1, cpuPerSecond.end());
    double sum = 0, worst = 0;
    for (double c : steady) {
        sum += c;
        worst = std::max(worst, c);
    }
    const auto& counts = window.Remote->Protocol().Count();
    std::printf("%d objects x %d messages/s for %d s through 127.0.0.1:%u\n", Objects, Rate,
                seconds, port);
    std::printf("  messages taken %llu, refused %llu, malformed %llu\n",
                static_cast<unsigned long long>(counts.taken),
                static_cast<unsigned long long>(counts.refused),
                static_cast<unsigned long long>(counts.malformed));
    std::printf("  GUI thread CPU: mean %.2f%%, worst second %.2f%% of a core\n",
                100.0 * sum / static_cast<double>(std::max<size_t>(1, steady.size())),
                100.0 * worst);
    std::printf("  datagram -> OpenAL position: median %.2f ms, 99th percentile %.2f ms, max "
                "%.2f ms (%zu datagrams)\n",
                Percentile(delaysMs, 50), Percentile(delaysMs, 99), Percentile(delaysMs, 100),
                delaysMs.size());

    if (!flood) {
        std::filesystem::remove_all(dir);
        return 0;
    }
    // The flood: random bytes, random sizes up to a little over the limit.
    std::vector<BASS_3DVECTOR> before;
    for (int n = 1; n <= Objects; ++n)
        before.push_back(Sources[n].Position);
    std::atomic<bool> flooding{true};
    std::thread flooder([&] {
        QUdpSocket out;
        std::mt19937 random(21);
        std::vector<char> bytes(9000);
        for (int i = 0; i < FloodCount; ++i) {
            const size_t size = 1 + random() % 8300;
            for (size_t b = 0; b < size; ++b)
                bytes[b] = static_cast<char>(random());
            out.writeDatagram(bytes.data(), static_cast<qint64>(size), QHostAddress::LocalHost,
                              port);
            if (i % 64 == 0)
                std::this_thread::yield();
        }
        flooding = false;
    });
    // The event loop's longest hold-up: a 5 ms timer's worst lateness.
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.elapsed(), worstGap = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        worstGap = std::max(worstGap, now - last);
        last = now;
        if (!flooding && clock.elapsed() > 500 &&
            counts.malformed + counts.refused + counts.taken > 0) {
            static qint64 quietSince = -1;
            static uint64_t seen = 0;
            const uint64_t total = counts.malformed + counts.refused + counts.taken;
            if (total != seen) {
                seen = total;
                quietSince = now;
            } else if (now - quietSince > 300) {
                app.quit();
            }
        }
    });
    tick.start(5);
    const uint64_t floodBase = counts.malformed + counts.refused + counts.taken;
    const double floodCpu0 = ThreadCpuSeconds();
    app.exec();
    const double floodCpu = ThreadCpuSeconds() - floodCpu0;
    flooder.join();
    bool unmoved = true;
    for (int n = 1; n <= Objects; ++n)
        unmoved = unmoved && std::memcmp(&before[static_cast<size_t>(n - 1)], &Sources[n].Position,
                                         sizeof(BASS_3DVECTOR)) == 0;
    std::printf("flood of %d random datagrams: %llu handled (the rest lost by the socket's "
                "buffer), drained in %.2f s, longest event-loop hold-up %lld ms, every "
                "channel where it was: %s\n",
                FloodCount,
                static_cast<unsigned long long>(counts.malformed + counts.refused + counts.taken -
                                                floodBase),
                static_cast<double>(clock.elapsed()) / 1000.0, static_cast<long long>(worstGap),
                unmoved ? "yes" : "NO");
    std::printf("  GUI thread CPU in the flood: %.2f us per datagram handled\n",
                floodCpu * 1e6 /
                    static_cast<double>(std::max<uint64_t>(1, counts.malformed + counts.refused +
                                                                  counts.taken - floodBase)));
    std::filesystem::remove_all(dir);
    return unmoved ? 0 : 1;
}
