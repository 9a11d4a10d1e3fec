// Plug-ins: loading and refusing files, their format list, and the WavPack
// plug-in (basswv.so) decoding files that no built-in decoder opens, played
// through the library and measured on the loopback device.
//
// The plug-in registry lives as long as the process, and these tests may run
// all in one process in any order: none of them relies on a plug-in not being
// loaded, except where it checks that first (see pluginLoaded).

#include "AudioRender.h"
#include "SoundFiles.h"
#include "WavPackFiles.h"
#include "audiolib.h"
#include "audiolib_plugin.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

// True when this process has loaded the WavPack plug-in already.
bool pluginLoaded() {
    void* h = dlopen(wavPackPlugin().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h)
        dlclose(h);
    return h != nullptr;
}

void writeWv(const std::string& path, const ToneSpec& toneSpec,
             WavPackSamples kind = WavPackSamples::Int16) {
    ASSERT_EQ(writeWavPack(path, toneSamples(toneSpec), toneSpec.channels, toneSpec.rate, kind),
              "");
}

double rms(const std::vector<float>& stereo, int channel, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(stereo[2 * i + channel]) * stereo[2 * i + channel];
    return std::sqrt(sum / double(to - from));
}

// ---- Loading and refusing -------------------------------------------------------

// First in this file, so that a run of the whole file in one process still
// sees the library before any plug-in is loaded.
TEST(PluginFallback, AWavPackFileOpensOnlyOnceThePluginIsLoaded) {
    TempDir dir;
    ASSERT_TRUE(AUDIOLIB_InitLoopback(44100, false));
    struct Close {
        ~Close() { BASS_Free(); }
    } close;
    const ToneSpec toneSpec{.seconds = 0.1};
    writeWv(dir.file("tone.wv"), toneSpec);
    if (pluginLoaded()) {
        GTEST_SKIP() << "another test in this process loaded the plug-in first; "
                        "run this test on its own to check the refusal before loading";
    }
    EXPECT_EQ(BASS_StreamCreateFile(false, dir.file("tone.wv").c_str(), 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);

    ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u);
    const HSTREAM h = BASS_StreamCreateFile(false, dir.file("tone.wv").c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 1u);
    EXPECT_TRUE(BASS_StreamFree(h));
}

TEST(PluginLoad, LoadsTheWavPackPluginAndListsItsFormat) {
    const HPLUGIN h = BASS_PluginLoad(wavPackPlugin().c_str(), 0);
    ASSERT_NE(h, 0u) << wavPackPlugin() << ": error " << BASS_ErrorGetCode();
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_OK);

    const BASS_PLUGININFO* info = BASS_PluginGetInfo(h);
    ASSERT_NE(info, nullptr);
    ASSERT_EQ(info->formatc, 1u);
    EXPECT_STREQ(info->formats[0].name, "WavPack");
    EXPECT_STREQ(info->formats[0].exts, "*.wv");
    EXPECT_NE(info->version, 0u);
}

TEST(PluginLoad, LoadingTheSameFileAgainGivesTheSameHandle) {
    const HPLUGIN first = BASS_PluginLoad(wavPackPlugin().c_str(), 0);
    ASSERT_NE(first, 0u);
    EXPECT_EQ(BASS_PluginLoad(wavPackPlugin().c_str(), 0), first);
    const std::string otherSpelling = pluginDir() + "/./basswv.so";
    EXPECT_EQ(BASS_PluginLoad(otherSpelling.c_str(), 0), first);
}

TEST(PluginLoad, ConcurrentLoadsAgreeOnOneHandle) {
    const HPLUGIN expected = BASS_PluginLoad(wavPackPlugin().c_str(), 0);
    ASSERT_NE(expected, 0u);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 100; ++i) {
                const HPLUGIN h = BASS_PluginLoad(wavPackPlugin().c_str(), 0);
                const BASS_PLUGININFO* info = BASS_PluginGetInfo(h);
                if (h != expected || !info || info->formatc != 1)
                    ++mismatches;
            }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
}

TEST(PluginLoad, RefusesATextFileAndAnEmptyFile) {
    TempDir dir;
    ASSERT_TRUE(writeBytes(dir.file("bassnotes.so"), {'h', 'e', 'l', 'l', 'o', '\n'}));
    ASSERT_TRUE(writeBytes(dir.file("bassempty.so"), {}));
    for (const char* name : {"bassnotes.so", "bassempty.so"}) {
        EXPECT_EQ(BASS_PluginLoad(dir.file(name).c_str(), 0), 0u) << name;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_PLUGIN) << name;
    }
}

TEST(PluginLoad, RefusesAMissingPathAFolderAndNull) {
    TempDir dir;
    EXPECT_EQ(BASS_PluginLoad(dir.file("bassnone.so").c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_PluginLoad(dir.path().c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_PluginLoad("", 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_PluginLoad(nullptr, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST(PluginLoad, RefusesTheLibraryItselfAndOtherSharedObjects) {
    // The library's own file lies in the plug-in folder and matches the
    // pattern the program scans; it is a shared object without our entry.
    const std::string self = libraryPath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(BASS_PluginLoad(self.c_str(), 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_PLUGIN);

    Dl_info libc{};
    ASSERT_TRUE(dladdr(reinterpret_cast<void*>(&std::strlen), &libc));
    EXPECT_EQ(BASS_PluginLoad(libc.dli_fname, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_PLUGIN);
}

TEST(PluginLoad, GetInfoRefusesBadHandles) {
    const HPLUGIN good = BASS_PluginLoad(wavPackPlugin().c_str(), 0);
    ASSERT_NE(good, 0u);
    for (const HPLUGIN bad : {HPLUGIN{0}, HPLUGIN{good + 1000}, HPLUGIN{0x10000001u},
                              HPLUGIN{good & 0x0FFFFFFFu}, HPLUGIN{0xFFFFFFFFu}}) {
        EXPECT_EQ(BASS_PluginGetInfo(bad), nullptr) << std::hex << bad;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    }
}

// ---- The plug-in's decoder on its own ---------------------------------------------

class WavPackDecoder : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = dlopen(wavPackPlugin().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        auto entry =
            reinterpret_cast<AUDIOLIB_GetPluginFn>(dlsym(module_, AUDIOLIB_PLUGIN_ENTRY_NAME));
        ASSERT_NE(entry, nullptr);
        plugin_ = entry();
        ASSERT_NE(plugin_, nullptr);
        ASSERT_EQ(plugin_->abi, DWORD{AUDIOLIB_PLUGIN_ABI});
    }
    void TearDown() override {
        if (module_)
            dlclose(module_);
    }

    // Decodes the whole file; rate and channels as the plug-in reported.
    std::vector<float> decode(const std::string& path, DWORD& rate, DWORD& chans) {
        void* d = plugin_->open(path.c_str(), &rate, &chans);
        EXPECT_NE(d, nullptr) << path;
        if (!d)
            return {};
        std::vector<float> out;
        std::vector<float> block(1000 * chans);
        long n;
        while ((n = plugin_->read(d, block.data(), 1000)) > 0)
            out.insert(out.end(), block.begin(), block.begin() + n * long(chans));
        EXPECT_EQ(n, 0) << "decoding error";
        plugin_->close(d);
        return out;
    }

    void* module_ = nullptr;
    const AUDIOLIB_PLUGIN* plugin_ = nullptr;
};

TEST_F(WavPackDecoder, DecodesEverySampleFormatToTheOriginalSamples) {
    TempDir dir;
    const ToneSpec toneSpec{.channels = 2,
                            .rate = 22050,
                            .seconds = 0.1,
                            .frequency = 440.0,
                            .amplitude = 0.8,
                            .wave = Wave::Sine};
    const auto original = toneSamples(toneSpec);
    const struct {
        WavPackSamples kind;
        double tolerance; // half a step of the integer format
    } cases[] = {{WavPackSamples::Int8, 1.0 / 256},
                 {WavPackSamples::Int16, 1.0 / 65536},
                 {WavPackSamples::Int24, 1.0 / (1 << 24)},
                 {WavPackSamples::Int32, 1e-7},
                 {WavPackSamples::Float32, 0.0}};
    for (const auto& c : cases) {
        const std::string path = dir.file("tone" + std::to_string(int(c.kind)) + ".wv");
        ASSERT_EQ(writeWavPack(path, original, toneSpec.channels, toneSpec.rate, c.kind), "");
        DWORD rate = 0, chans = 0;
        const auto decoded = decode(path, rate, chans);
        EXPECT_EQ(rate, 22050u);
        EXPECT_EQ(chans, 2u);
        ASSERT_EQ(decoded.size(), original.size()) << int(c.kind);
        double worst = 0;
        for (size_t i = 0; i < original.size(); ++i)
            worst = std::max(worst, std::fabs(double(decoded[i]) - original[i]));
        EXPECT_LE(worst, c.tolerance) << "sample kind " << int(c.kind);
    }
}

TEST_F(WavPackDecoder, KeepsEveryChannelOfAMultichannelFile) {
    TempDir dir;
    const int chans = 6;
    std::vector<float> samples(1000 * chans);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = float(i % chans) / 8.f; // channel c holds c/8 throughout
    ASSERT_EQ(writeWavPack(dir.file("six.wv"), samples, chans, 48000), "");
    DWORD rate = 0, got = 0;
    const auto decoded = decode(dir.file("six.wv"), rate, got);
    EXPECT_EQ(rate, 48000u);
    ASSERT_EQ(got, DWORD(chans));
    ASSERT_EQ(decoded.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        ASSERT_FLOAT_EQ(decoded[i], samples[i]) << i;
}

TEST_F(WavPackDecoder, RewindStartsAgainFromTheFirstFrame) {
    TempDir dir;
    const ToneSpec toneSpec{.seconds = 0.05};
    writeWv(dir.file("a.wv"), toneSpec);
    DWORD rate = 0, chans = 0;
    void* d = plugin_->open(dir.file("a.wv").c_str(), &rate, &chans);
    ASSERT_NE(d, nullptr);
    std::vector<float> first(2205), again(2205), tail(16);
    EXPECT_EQ(plugin_->read(d, first.data(), 2205), 2205);
    EXPECT_EQ(plugin_->read(d, tail.data(), 16), 0); // at the end
    ASSERT_NE(plugin_->rewind, nullptr);
    EXPECT_NE(plugin_->rewind(d), 0);
    EXPECT_EQ(plugin_->read(d, again.data(), 2205), 2205);
    EXPECT_EQ(first, again);
    plugin_->close(d);
}

TEST_F(WavPackDecoder, DeclinesWhatIsNotWavPack) {
    TempDir dir;
    writeTone(dir.file("tone.wav"));
    writeTone(dir.file("tone.flac"));
    ASSERT_TRUE(writeBytes(dir.file("text.wv"), {'n', 'o', 't', ' ', 'w', 'v', '\n'}));
    ASSERT_TRUE(writeBytes(dir.file("empty.wv"), {}));
    for (const std::string& path :
         {dir.file("tone.wav"), dir.file("tone.flac"), dir.file("text.wv"), dir.file("empty.wv"),
          dir.file("missing.wv"), dir.path(), std::string("-")}) {
        DWORD rate = 0, chans = 0;
        void* d = plugin_->open(path.c_str(), &rate, &chans);
        EXPECT_EQ(d, nullptr) << path;
        if (d)
            plugin_->close(d);
    }
}

// ---- Through the library ---------------------------------------------------------

class PluginStreams : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AUDIOLIB_InitLoopback(44100, false)); }
    void TearDown() override { BASS_Free(); }

    static void loadPlugin() { ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u); }

    // Plays an unpositioned stream from its start and renders frames.
    static std::vector<float> renderPlain(const std::string& path, size_t frames) {
        const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
        EXPECT_NE(h, 0u) << path << ": error " << BASS_ErrorGetCode();
        std::vector<float> out(frames * 2);
        if (!h)
            return out;
        EXPECT_TRUE(BASS_ChannelPlay(h, false));
        EXPECT_TRUE(AUDIOLIB_Render(out.data(), DWORD(frames)));
        BASS_StreamFree(h);
        return out;
    }

    TempDir dir;
};

TEST_F(PluginStreams, AMonoWavPackFileOpensAsA3DSource) {
    loadPlugin();
    writeWv(dir.file("mono.wv"), {.channels = 1});
    const HSTREAM h = BASS_StreamCreateFile(false, dir.file("mono.wv").c_str(), 0, 0,
                                            BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 1u);
    EXPECT_TRUE(info.flags & BASS_SAMPLE_3D);
    EXPECT_TRUE(info.flags & BASS_SAMPLE_LOOP);
    EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(PluginStreams, AStereoWavPackFileFailsAs3DAndOpensPlain) {
    loadPlugin();
    writeWv(dir.file("stereo.wv"), {.channels = 2});
    const std::string path = dir.file("stereo.wv");
    EXPECT_EQ(BASS_StreamCreateFile(false, path.c_str(), 0, 0,
                                    BASS_SAMPLE_MONO | BASS_SAMPLE_LOOP | BASS_SAMPLE_3D),
              0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NO3D);

    const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, BASS_SAMPLE_LOOP);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    BASS_CHANNELINFO info{};
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 2u);
    EXPECT_FALSE(info.flags & BASS_SAMPLE_3D);
    EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(PluginStreams, PlaysTheToneAtTheLevelOfTheSameToneInAWavFile) {
    loadPlugin();
    const ToneSpec toneSpec{.channels = 2, .seconds = 0.5, .frequency = 440.0, .amplitude = 0.5};
    writeWv(dir.file("tone.wv"), toneSpec);
    writeTone(dir.file("tone.wav"), toneSpec);
    const size_t frames = 13230; // 0.3 s, all inside the file
    const auto wv = renderPlain(dir.file("tone.wv"), frames);
    BASS_Free();
    ASSERT_TRUE(AUDIOLIB_InitLoopback(44100, false));
    const auto wav = renderPlain(dir.file("tone.wav"), frames);

    const size_t from = 2205, to = frames; // past any start-up ramp
    const double expected = 0.5 / std::sqrt(2.0);
    for (int c = 0; c < 2; ++c) {
        const double level = rms(wv, c, from, to);
        EXPECT_NEAR(level, expected, expected * 0.1) << "channel " << c;
        EXPECT_NEAR(level, rms(wav, c, from, to), expected * 0.02) << "channel " << c;
        EXPECT_NEAR(frequency(wv, c, from, to, 44100), 440.0, 440.0 * 0.02) << "channel " << c;
    }
}

TEST_F(PluginStreams, ALoopingWavPackFilePlaysOnPastItsEnd) {
    loadPlugin();
    writeWv(dir.file("short.wv"), {.channels = 2, .seconds = 0.1, .frequency = 441.0});
    const HSTREAM h =
        BASS_StreamCreateFile(false, dir.file("short.wv").c_str(), 0, 0, BASS_SAMPLE_LOOP);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    std::vector<float> out(22050 * 2); // five times the file
    ASSERT_TRUE(AUDIOLIB_Render(out.data(), 22050));
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD{BASS_ACTIVE_PLAYING});
    // Every 10 ms stretch of the last 0.4 s still carries the tone.
    for (size_t from = 4410; from + 441 <= 22050; from += 441)
        ASSERT_GT(rms(out, 0, from, from + 441), 0.2) << "silent at frame " << from;
    EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(PluginStreams, AMonoWavPackSourceInFrontIsHeardOnBothSides) {
    loadPlugin();
    writeWv(dir.file("mono.wv"), {.channels = 1, .seconds = 0.5, .frequency = 330.0});
    const HSTREAM h = BASS_StreamCreateFile(false, dir.file("mono.wv").c_str(), 0, 0,
                                            BASS_SAMPLE_MONO | BASS_SAMPLE_3D);
    ASSERT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    const BASS_3DVECTOR front{0.f, 0.f, 2.f};
    ASSERT_TRUE(BASS_ChannelSet3DPosition(h, &front, nullptr, nullptr));
    BASS_Apply3D();
    ASSERT_TRUE(BASS_ChannelPlay(h, false));
    std::vector<float> out(13230 * 2);
    ASSERT_TRUE(AUDIOLIB_Render(out.data(), 13230));
    const double left = rms(out, 0, 2205, 13230), right = rms(out, 1, 2205, 13230);
    EXPECT_GT(left, 0.02);
    EXPECT_GT(right, 0.02);
    EXPECT_NEAR(left / right, 1.0, 0.1);
    EXPECT_NEAR(frequency(out, 0, 2205, 13230, 44100), 330.0, 330.0 * 0.02);
    EXPECT_TRUE(BASS_StreamFree(h));
}

TEST_F(PluginStreams, CorruptWavPackFilesAreRefused) {
    loadPlugin();
    writeWv(dir.file("good.wv"), {.channels = 1, .seconds = 0.2});
    const auto good = readBytes(dir.file("good.wv"));
    ASSERT_GT(good.size(), 64u);

    // Only the block header survives.
    ASSERT_TRUE(writeBytes(dir.file("truncated.wv"), {good.begin(), good.begin() + 40}));
    // A WavPack block header followed by noise.
    std::vector<unsigned char> garbled(good.begin(), good.begin() + 32);
    for (int i = 0; i < 4000; ++i)
        garbled.push_back(static_cast<unsigned char>((i * 7919 + 13) & 0xff));
    ASSERT_TRUE(writeBytes(dir.file("garbled.wv"), garbled));
    // Noise only.
    std::vector<unsigned char> noise(4096);
    for (size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<unsigned char>((i * 2654435761u) >> 13);
    ASSERT_TRUE(writeBytes(dir.file("noise.wv"), noise));

    for (const char* name : {"truncated.wv", "garbled.wv", "noise.wv"}) {
        EXPECT_EQ(BASS_StreamCreateFile(false, dir.file(name).c_str(), 0, 0, 0), 0u) << name;
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK) << name;
    }
}

TEST_F(PluginStreams, ANonAsciiPathOpens) {
    loadPlugin();
    const std::string path = dir.file("音声 ファイル.wv");
    writeWv(path, {.channels = 1, .seconds = 0.1});
    const HSTREAM h = BASS_StreamCreateFile(false, path.c_str(), 0, 0, BASS_SAMPLE_3D);
    EXPECT_NE(h, 0u) << "error " << BASS_ErrorGetCode();
    if (h)
        BASS_StreamFree(h);
}

} // namespace
