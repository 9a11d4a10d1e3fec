// Files and handles the library must refuse without crashing, and files it
// must open whatever they are called.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

using namespace testsupport;

namespace {

const char* const kExtensions[] = {".wav", ".aif", ".ogg", ".flac", ".mp3", ".mp2", ".mp1",
                                   ".mod", ".xm",  ".s3m", ".it",   ".mtm", ".mo3"};

class BadInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode(); }

    // Tries a file the way the program does: module, mono 3D stream, plain stream.
    void expectRefused(const std::string& path) {
        SCOPED_TRACE(path);
        EXPECT_EQ(BASS_MusicLoad(0, path.c_str(), 0, 0, 0x20C, 0), 0u);
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
        EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE), 0u);
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
        EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 4), 0u);
        EXPECT_NE(BASS_ErrorGetCode(), BASS_OK);
    }

    TempDir dir;
    LoopbackDevice device;
};

TEST_F(BadInput, MissingFileFolderAndEmptyFile) {
    const std::string missing = dir.file("missing.wav");
    EXPECT_EQ(BASS_StreamCreateFile(0, missing.c_str(), 0, 0, 4), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    EXPECT_EQ(BASS_MusicLoad(0, missing.c_str(), 0, 0, 0x20C, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    const std::string folder = dir.file("folder.wav");
    std::filesystem::create_directory(folder);
    expectRefused(folder);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    const std::string empty = dir.file("empty.ogg");
    ASSERT_TRUE(writeBytes(empty, {}));
    expectRefused(empty);
    EXPECT_EQ(BASS_StreamCreateFile(0, nullptr, 0, 0, 4), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_EQ(BASS_MusicLoad(0, nullptr, 0, 0, 0, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
}

TEST_F(BadInput, RandomBytesUnderEveryExtension) {
    std::mt19937 rng(42);
    for (size_t size : {1u, 100u, 5000u, 70000u}) {
        std::vector<unsigned char> bytes(size);
        for (auto& b : bytes)
            b = static_cast<unsigned char>(rng());
        for (const char* ext : kExtensions) {
            const std::string path = dir.file("random" + std::to_string(size) + ext);
            ASSERT_TRUE(writeBytes(path, bytes));
            expectRefused(path);
        }
    }
}

TEST_F(BadInput, MpegFrameHeadersFollowedByJunk) {
    // A plausible first frame header (MPEG 1 layer III, 128 kbit/s, 44.1 kHz)
    // with random bytes after it: one header is not MPEG audio.
    std::mt19937 rng(7);
    std::vector<unsigned char> bytes(20000);
    for (auto& b : bytes)
        b = static_cast<unsigned char>(rng());
    bytes[0] = 0xFF, bytes[1] = 0xFB, bytes[2] = 0x90, bytes[3] = 0x64;
    const std::string path = dir.file("header.mp3");
    ASSERT_TRUE(writeBytes(path, bytes));
    expectRefused(path);
}

TEST_F(BadInput, TruncatedFilesUnderEveryExtension) {
    ToneSpec toneSpec;
    toneSpec.seconds = 0.1;
    std::vector<std::vector<unsigned char>> sources;
    for (const char* name : {"src.wav", "src.aif", "src.ogg", "src.flac"}) {
        ASSERT_TRUE(writeTone(dir.file(name), toneSpec));
        sources.push_back(readBytes(dir.file(name)));
    }
    if (writeMp3(dir.file("src.mp3"), toneSpec))
        sources.push_back(readBytes(dir.file("src.mp3")));
    sources.push_back(tinyModule());
    for (size_t s = 0; s < sources.size(); ++s) {
        for (size_t keep : {4u, 12u, 30u}) {
            std::vector<unsigned char> cut(sources[s].begin(),
                                           sources[s].begin() + static_cast<long>(keep));
            for (const char* ext : kExtensions) {
                const std::string path =
                    dir.file("cut" + std::to_string(s) + "_" + std::to_string(keep) + ext);
                ASSERT_TRUE(writeBytes(path, cut));
                expectRefused(path);
            }
        }
    }
}

TEST_F(BadInput, ContentDecidesNotTheName) {
    // A WAV named .ogg, .mp3 or .mod opens as the WAV it is.
    ToneSpec toneSpec;
    toneSpec.seconds = 0.1;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(writeTone(wav, toneSpec));
    for (const char* name : {"wav.ogg", "wav.mp3", "wav.mod", "wav.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(writeBytes(path, readBytes(wav)));
        EXPECT_EQ(BASS_MusicLoad(0, path.c_str(), 0, 0, 0x20C, 0), 0u);
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
        HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        BASS_StreamFree(h);
    }
    // A module named .wav is a module, and no stream.
    const std::string mod = dir.file("module.wav");
    ASSERT_TRUE(writeBytes(mod, tinyModule()));
    HMUSIC m = BASS_MusicLoad(0, mod.c_str(), 0, 0, 0x20C, 0);
    EXPECT_NE(m, 0u);
    EXPECT_EQ(BASS_StreamCreateFile(0, mod.c_str(), 0, 0, 4), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
    // An Ogg named .mp3.
    const std::string ogg = dir.file("tone.ogg");
    ASSERT_TRUE(writeTone(ogg, toneSpec));
    const std::string oggMp3 = dir.file("ogg.mp3");
    ASSERT_TRUE(writeBytes(oggMp3, readBytes(ogg)));
    HSTREAM h = BASS_StreamCreateFile(0, oggMp3.c_str(), 0, 0, 0xE);
    EXPECT_NE(h, 0u);
}

TEST_F(BadInput, NonAsciiPathsOpen) {
    const std::string folder = dir.file("音声ファイル");
    std::filesystem::create_directory(folder);
    const std::string wav = folder + "/サイン波 é.wav";
    ASSERT_TRUE(writeTone(wav));
    HSTREAM h = BASS_StreamCreateFile(0, wav.c_str(), 0, 0, 0xE);
    EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
    const std::string mod = folder + "/モジュール.mod";
    ASSERT_TRUE(writeBytes(mod, tinyModule()));
    EXPECT_NE(BASS_MusicLoad(0, mod.c_str(), 0, 0, 0x20C, 0), 0u) << BASS_ErrorGetCode();
    const std::string mp3 = folder + "/ü.mp3";
    if (writeMp3(mp3)) {
        EXPECT_NE(BASS_StreamCreateFile(0, mp3.c_str(), 0, 0, 0xE), 0u) << BASS_ErrorGetCode();
    }
}

TEST_F(BadInput, BadHandlesFailWithHandle) {
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(writeTone(path));
    HSTREAM freed = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
    ASSERT_NE(freed, 0u);
    HFX fx = BASS_ChannelSetFX(freed, BASS_FX_REVERB, 2);
    HSYNC sync = BASS_ChannelSetSync(
        freed, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, void*) {}, nullptr);
    ASSERT_TRUE(BASS_StreamFree(freed));
    HSTREAM live = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
    ASSERT_NE(live, freed) << "a handle came back at once";
    BASS_CHANNELINFO info;
    BASS_3DVECTOR v{};
    BASS_REVERB_PARAMS params{};
    for (DWORD bad : {DWORD{0}, freed, fx, sync, DWORD{0xFFFFFFFF}, DWORD{12345}}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(BASS_ChannelPlay(bad, 0));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
        EXPECT_FALSE(BASS_ChannelStop(bad));
        EXPECT_FALSE(BASS_ChannelPause(bad));
        EXPECT_EQ(BASS_ChannelIsActive(bad), DWORD(BASS_ACTIVE_STOPPED));
        EXPECT_FALSE(BASS_ChannelGetInfo(bad, &info));
        EXPECT_FALSE(BASS_ChannelSetFlags(bad, 4));
        EXPECT_FALSE(BASS_ChannelSetPosition(bad, 0));
        EXPECT_FALSE(BASS_ChannelSetAttributes(bad, -1, 50, 0));
        EXPECT_FALSE(BASS_ChannelSet3DPosition(bad, &v, nullptr, nullptr));
        EXPECT_EQ(BASS_ChannelSetSync(bad, BASS_SYNC_END, 0, nullptr, nullptr), 0u);
        EXPECT_FALSE(BASS_ChannelSetEAXMix(bad, 0.f));
        EXPECT_EQ(BASS_ChannelSetFX(bad, BASS_FX_REVERB, 2), 0u);
        EXPECT_FALSE(BASS_StreamFree(bad));
        EXPECT_FALSE(BASS_MusicFree(bad));
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
        if (bad != fx) {
            EXPECT_FALSE(BASS_FXSetParameters(bad, &params));
        }
    }
    // Wrong kind: a stream is no module, and a null record is refused.
    EXPECT_FALSE(BASS_MusicFree(live));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_HANDLE);
    EXPECT_FALSE(BASS_ChannelGetInfo(live, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ILLPARAM);
    EXPECT_TRUE(BASS_StreamFree(live));
}

TEST_F(BadInput, MemoryStreamsAndOffsetsAreRefused) {
    const std::string path = dir.file("tone.wav");
    ASSERT_TRUE(writeTone(path));
    EXPECT_EQ(BASS_StreamCreateFile(1, path.c_str(), 0, 0, 4), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 44, 0, 4), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
}

} // namespace
