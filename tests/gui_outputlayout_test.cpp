// The output layout live: the program's configuration applied at start, over
// the user's own (which here sends OpenAL Soft's output to its wave writer),
// and the sound captured per speaker. Each start is a process of its own, as
// OpenAL Soft reads its configuration once per process.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sndfile.h>
#include <sstream>
#include <thread>

#include "SoundFiles.h"
#include "audio/OutputLayout.h"
#include "audiolib.h"

namespace {

using namespace testsupport;

// Per channel: the level, and the correlation with channel 0 (W).
struct TCapture {
    int channels = 0, format = 0;
    std::vector<int> map;
    std::vector<double> level, withFirst;
};

TCapture Capture(const std::string& path) {
    TCapture c;
    const Sound s = readSound(path);
    c.channels = s.channels;
    c.format = s.format;
    SF_INFO info{};
    if (SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info)) {
        c.map.assign(size_t(info.channels), 0);
        if (sf_command(f, SFC_GET_CHANNEL_MAP_INFO, c.map.data(),
                       int(c.map.size() * sizeof(int))) != SF_TRUE)
            c.map.clear();
        sf_close(f);
    }
    const size_t n = size_t(std::max(s.channels, 1));
    const size_t from = size_t(s.rate / 10); // past the start
    for (size_t ch = 0; ch < n; ++ch) {
        double sum = 0, cross = 0;
        for (size_t i = from; i < s.frames(); ++i) {
            sum += s.samples[i * n + ch] * s.samples[i * n + ch];
            cross += s.samples[i * n + ch] * s.samples[i * n];
        }
        const double frames = double(std::max<size_t>(1, s.frames() - from));
        c.level.push_back(std::sqrt(sum / frames));
        c.withFirst.push_back(cross / frames);
    }
    return c;
}

double Db(double v) {
    return 20 * std::log10(v + 1e-12);
}

// One start: layout through the program's configuration, with the user's own
// file ($ALSOFT_CONF, which the program's takes the place of) naming the wave
// writer's file; a looping noise at x, z plays until 0.6 s is written.
TCapture LiveStart(const std::string& layout, float x, float z, const std::string& folder) {
    const std::string wave = folder + "/live-" + layout + ".wav";
    std::ofstream(folder + "/mine.conf") << "[wave]\nfile = " << wave << "\n";
    EXPECT_TRUE(writeTone(folder + "/noise.wav", {1, 44100, 0.5, 0, 0.3, Wave::Noise}));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ALSOFT_DRIVERS", "wave");
    env.insert("ALSOFT_CONF", QString::fromStdString(folder + "/mine.conf"));
    std::ostringstream request;
    request << layout << ' ' << x << ' ' << z << ' ' << folder << "/noise.wav " << wave;
    env.insert("PHONARA_LIVE_CHILD", QString::fromStdString(request.str()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=LiveOutputChild.PlaysUntilCaptured"});
    EXPECT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString()
                                   << child.readAllStandardError().toStdString();
    return Capture(wave);
}

class LiveOutput : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

// The child's part: the configuration as the program applies it at start,
// the default device, one positioned source.
TEST(LiveOutputChild, PlaysUntilCaptured) {
    const char* request = std::getenv("PHONARA_LIVE_CHILD");
    if (!request)
        GTEST_SKIP() << "runs as a child of the LiveOutput tests";
    std::istringstream in(request);
    std::string word, sound, wave;
    float x = 0, z = 0;
    in >> word >> x >> z >> sound >> wave;
    const auto layout = OutputLayoutOfWord(word);
    ASSERT_TRUE(layout);
    std::string why;
    ASSERT_TRUE(ApplyOutputLayout(*layout, "", why)) << why;
    ASSERT_TRUE(BASS_Init(-1, 44100, BASS_DEVICE_3D, nullptr, nullptr)) << BASS_ErrorGetCode();
    const HSTREAM h = BASS_StreamCreateFile(0, sound.c_str(), 0, 0,
                                            BASS_SAMPLE_3D | BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    const BASS_3DVECTOR at{x, 0, z};
    ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &at, nullptr, nullptr));
    BASS_Apply3D();
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    // The writer runs in real time: wait for 0.6 s of its channels (as the
    // header says) in float.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        std::ifstream file(wave, std::ios::binary);
        char head[24] = {};
        file.read(head, sizeof head);
        const int channels = static_cast<unsigned char>(head[22]);
        file.seekg(0, std::ios::end);
        if (channels > 0 && file.tellg() > 100 + 44100 * 4 * channels * 6 / 10)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    BASS_Free();
}

// 5.1 and 7.1 on the speakers: a source in front from the centre, 6 dB and
// more above the front pair; one at 30° left from the left front; one behind
// on the left from the left surround (5.1) or back (7.1); nothing on the LFE.
TEST_F(LiveOutput, SurroundLayoutsPutEachSourceInItsSpeaker) {
    enum { L = SF_CHANNEL_MAP_LEFT, R = SF_CHANNEL_MAP_RIGHT, C = SF_CHANNEL_MAP_CENTER };
    enum { LFE = SF_CHANNEL_MAP_LFE, BL = SF_CHANNEL_MAP_REAR_LEFT };
    enum { SL = SF_CHANNEL_MAP_SIDE_LEFT };
    const struct {
        const char* layout;
        float x, z;
        int loudest;
        int channels;
    } table[] = {
        {"5.1", 0, 2, C, 6}, {"5.1", -1, 1.732f, L, 6}, {"5.1", -1.5f, -1.5f, SL, 6},
        {"7.1", 0, 2, C, 8}, {"7.1", -1, 1.732f, L, 8}, {"7.1", -1, -1.732f, BL, 8},
    };
    for (const auto& row : table) {
        const TCapture c = LiveStart(row.layout, row.x, row.z, dir.path());
        ASSERT_EQ(c.channels, row.channels) << row.layout;
        ASSERT_EQ(c.map.size(), size_t(row.channels)) << row.layout;
        std::map<int, double> level;
        for (size_t i = 0; i < c.map.size(); ++i)
            level[c.map[i]] = c.level[i];
        double loudest = 0;
        for (const auto& [speaker, v] : level)
            loudest = std::max(loudest, v);
        EXPECT_GT(loudest, 1e-3) << row.layout;
        EXPECT_EQ(level[row.loudest], loudest) << row.layout << " " << row.x << "," << row.z;
        EXPECT_LT(level[LFE], 1e-5) << row.layout;
        if (row.loudest == C) {
            const double above = Db(level[C]) - Db(std::max(level[L], level[R]));
            std::printf("live %s: centre %.1f dB above the front pair\n", row.layout, above);
            EXPECT_GT(above, 6.0) << row.layout;
        }
    }
}

// Ambisonics third order for an external decoder: 16 channels whose
// first-order part points at a source on the left. (OpenAL Soft's wave writer
// stores Ambisonics as FuMa: W, X, Y, Z, ...)
TEST_F(LiveOutput, AmbisonicsThirdOrderPointsAtTheSource) {
    const TCapture c = LiveStart("ambix3", -2, 0, dir.path());
    ASSERT_EQ(c.channels, 16);
    ASSERT_GT(c.withFirst[0], 0);
    const double azimuth = std::atan2(c.withFirst[2], c.withFirst[1]) * 180 / M_PI;
    EXPECT_NEAR(azimuth, 90, 10) << "Y (left) " << c.withFirst[2] << ", X " << c.withFirst[1];
}
