// The output layouts where users hear them: a file exported with a layout, and
// the layout applied live at start over the user's own OpenAL Soft
// configuration (which here sends the output to its wave writer), each
// measured per speaker. Each live start is a process of its own, as OpenAL
// Soft reads its configuration once per process.
#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sndfile.h>
#include <sstream>
#include <thread>

#include "FileMeasures.h"
#include "ProgramRun.h"
#include "SoundFiles.h"
#include "audio/OutputLayout.h"
#include "audiolib.h"
#include "files/AtomicFile.h"
#include "playlist/PlaylistFormat.h"

namespace {

using namespace testsupport;

// Each speaker's level past the start, by the speaker map the file tells.
std::map<int, double> SpeakerLevels(const std::string& path) {
    const Sound s = readSound(path);
    const std::vector<int> map = channelMap(path);
    std::map<int, double> level;
    for (size_t c = 0; c < map.size(); ++c)
        level[map[c]] = channelLevel(s, int(c), size_t(s.rate / 10));
    return level;
}

// One live start: the layout through the program's configuration, with the
// user's own file ($ALSOFT_CONF, which the program's takes the place of)
// naming the wave writer's file; the noise at x, z plays until 0.6 s is
// written. Returns the wave writer's file.
std::string LiveStart(const std::string& layout, float x, float z, const TempDir& dir) {
    const std::string wave = dir.file("live-" + layout + ".wav");
    std::ofstream(dir.file("mine.conf")) << "[wave]\nfile = " << wave << "\n";
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ALSOFT_DRIVERS", "wave");
    env.insert("ALSOFT_CONF", QString::fromStdString(dir.file("mine.conf")));
    std::ostringstream request;
    request << layout << ' ' << x << ' ' << z << ' ' << dir.file("noise.wav") << ' ' << wave;
    env.insert("PHONARA_LIVE_CHILD", QString::fromStdString(request.str()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=LiveOutputChild.PlaysUntilCaptured"});
    EXPECT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString()
                                   << child.readAllStandardError().toStdString();
    return wave;
}

} // namespace

// The child's part: the configuration as the program applies it at start,
// the default device, one positioned source.
TEST(LiveOutputChild, PlaysUntilCaptured) {
    const char* request = std::getenv("PHONARA_LIVE_CHILD");
    if (!request)
        GTEST_SKIP() << "runs as a child of the OutputLayouts tests";
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

// 5.1 and 7.1, in a file and live: a source in front plays from the centre,
// 6 dB and more above the front pair; one at 30° from the front speaker of its
// side; one at the side or behind from the surround or back there; the LFE
// carries nothing. Ambisonics third order live, for an external decoder: 16
// channels whose first order points at a source on the left.
TEST(OutputLayouts, FilesAndLiveOutputPutEachSourceInItsSpeaker) {
    TempDir dir;
    ASSERT_TRUE(writeTone(dir.file("noise.wav"), {1, 44100, 0.5, 0, 0.3, Wave::Noise}));
    enum { L = SF_CHANNEL_MAP_LEFT, R = SF_CHANNEL_MAP_RIGHT, C = SF_CHANNEL_MAP_CENTER };
    enum { LFE = SF_CHANNEL_MAP_LFE, BL = SF_CHANNEL_MAP_REAR_LEFT };
    enum { SL = SF_CHANNEL_MAP_SIDE_LEFT };
    const struct {
        std::string layout;
        float x, z;
        int loudest;
    } table[] = {
        {"5.1", 0, 2, C},      {"5.1", -1, 1.732f, L}, {"5.1", -1.5f, -1.5f, SL}, {"7.1", 0, 2, C},
        {"7.1", 1, 1.732f, R}, {"7.1", -2, 0, SL},     {"7.1", -1, -1.732f, BL},
    };
    for (const auto& row : table) {
        const std::string list = dir.file("scene.pna"), file = dir.file("file.wav");
        ASSERT_TRUE(WriteFileReplacing(
            list, FormatPlaylist(0, 0, {{row.x, 0, row.z, dir.file("noise.wav")}})));
        const ProgramRun run = RunPhonara(
            {"--export", file, "--force", "--layout", row.layout, "--format", "float", list});
        ASSERT_EQ(run.status, 0) << run.err;
        for (const auto& [how, path] :
             {std::pair{"file", file}, {"live", LiveStart(row.layout, row.x, row.z, dir)}}) {
            SCOPED_TRACE(how + (" " + row.layout) + " at " + std::to_string(row.x) + "," +
                         std::to_string(row.z));
            std::map<int, double> level = SpeakerLevels(path);
            ASSERT_EQ(level.size(), row.layout == "5.1" ? 6u : 8u);
            double loudest = 0;
            for (const auto& [speaker, v] : level)
                loudest = std::max(loudest, v);
            EXPECT_GT(loudest, 1e-3);
            EXPECT_EQ(level[row.loudest], loudest);
            EXPECT_LT(level[LFE], 1e-5);
            if (row.loudest == C) {
                const double above = 20 * std::log10(level[C] / std::max(level[L], level[R]));
                std::printf("%s %s: centre %.1f dB above the front pair\n", how, row.layout.c_str(),
                            above);
                EXPECT_GT(above, 6.0);
            }
        }
    }

    // OpenAL Soft's wave writer stores Ambisonics as FuMa: W, X, Y, Z, ...
    const Sound ambi = readSound(LiveStart("ambix3", -2, 0, dir));
    ASSERT_EQ(ambi.channels, 16);
    double wx = 0, wy = 0;
    for (size_t i = size_t(ambi.rate / 10); i < ambi.frames(); ++i) {
        wx += double(ambi.samples[16 * i]) * ambi.samples[16 * i + 1];
        wy += double(ambi.samples[16 * i]) * ambi.samples[16 * i + 2];
    }
    EXPECT_NEAR(std::atan2(wy, wx) * 180 / M_PI, 90, 10) << "Y (left) " << wy << ", X " << wx;
}
