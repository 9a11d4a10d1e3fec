// Damaged and unusual files: what one of them may leave behind (a poisoned
// mixer, a leak, a crash, a stream that never ends) and formats that change or
// hide behind large tags.
#include "AudioRender.h"
#include "SoundFiles.h"
#include "WavPackFiles.h"
#include "audiolib.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <elf.h>
#include <limits>
#include <link.h>
#include <malloc.h>
#include <sndfile.h>

using namespace testsupport;

namespace {

bool allFinite(const std::vector<float>& v) {
    return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// Plays path as a 3D source in front with the channel's own reverb fully in
// and the room environment on, the way the program places a file, for seconds.
std::vector<float> playPlaced(const std::string& path, double seconds) {
    const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE);
    EXPECT_NE(h, 0u) << path << ": error " << BASS_ErrorGetCode();
    const BASS_3DVECTOR front{0.f, 0.f, 1.f};
    BASS_ChannelSet3DPosition(h, &front, nullptr, nullptr);
    BASS_Apply3D();
    const HFX fx = BASS_ChannelSetFX(h, BASS_FX_REVERB, 2);
    const BASS_REVERB_PARAMS params{0.f, 0.f, 1200.f, 0.1f};
    BASS_FXSetParameters(fx, &params);
    BASS_ChannelPlay(h, 0);
    auto out = render(seconds);
    BASS_StreamFree(h);
    return out;
}

TEST(DamagedSamples, AFileWithNonFiniteOrHugeSamplesLeavesTheMixerUsable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    TempDir dir;
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(writeTone(good, {.seconds = 0.3}));
    const auto tone = toneSamples({.seconds = 0.3});
    ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u);

    for (const float bad : {nan, inf, -inf, 1e30f}) {
        SCOPED_TRACE(bad);
        auto samples = tone;
        samples[1000] = bad;
        const std::string wav = dir.file("bad.wav");
        ASSERT_TRUE(writeFloatWav(wav, samples));
        // The same damage in a WavPack float file, read through the plug-in.
        const std::string wv = dir.file("bad.wv");
        ASSERT_EQ(writeWavPack(wv, samples, 1, 44100, WavPackSamples::Float32), "");
        for (const std::string& path : {wav, wv}) {
            SCOPED_TRACE(path);
            LoopbackDevice device;
            ASSERT_TRUE(device.ok());
            BASS_SetEAXParameters(EAX_ENVIRONMENT_HALLWAY, 0.5f, -1.f, -1.f);
            const auto damaged = playPlaced(path, 0.3);
            EXPECT_TRUE(allFinite(damaged));
            EXPECT_LT(peak(damaged), 100.0);
            // The tone around the bad sample is still heard.
            EXPECT_GT(rms(damaged, 0, 0.05, 0.3), 0.02);
            const auto after = playPlaced(good, 0.3);
            EXPECT_TRUE(allFinite(after));
            EXPECT_GT(rms(after, 0, 0.05, 0.3), 0.02);
            EXPECT_GT(rms(after, 1, 0.05, 0.3), 0.02);
        }
    }
}

} // namespace

TEST(UnplayableRates, RatesTooLowToPlayAreRefusedAndTheLowestPlayableEnds) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    ASSERT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u);
    for (const int rate : {10, 40, 49, 999}) {
        SCOPED_TRACE(rate);
        const std::vector<float> samples(static_cast<size_t>(rate), 0.5f); // one second
        const std::string wv = dir.file("low.wv");
        ASSERT_EQ(writeWavPack(wv, samples, 1, rate), "");
        const std::string wav = dir.file("low.wav");
        ASSERT_TRUE(writeFloatWav(wav, samples, 1, rate));
        for (const std::string& path : {wv, wav}) {
            EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0xE), 0u) << path;
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT) << path;
        }
    }
    // 1000 Hz plays, and a tenth of a second of it ends within a render of half a second.
    const std::string wv = dir.file("slow.wv");
    ASSERT_EQ(writeWavPack(wv, std::vector<float>(100, 0.5f), 1, 1000), "");
    const HSTREAM h = BASS_StreamCreateFile(0, wv.c_str(), 0, 0, BASS_SAMPLE_3D);
    ASSERT_NE(h, 0u) << BASS_ErrorGetCode();
    ASSERT_TRUE(BASS_ChannelPlay(h, 0));
    const auto out = render(0.5);
    EXPECT_GT(rms(out, 0, 0.02, 0.08), 0.05);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD{BASS_ACTIVE_STOPPED});
}

// ---- MPEG audio behind large tags, and changing format part-way --------------

std::vector<unsigned char> mp3(const TempDir& dir, const ToneSpec& toneSpec) {
    const std::string path = dir.file("part.mp3");
    EXPECT_TRUE(writeMp3(path, toneSpec)) << "libsndfile cannot write MPEG here";
    return readBytes(path);
}

void appendSyncsafe(std::vector<unsigned char>& out, size_t n) {
    for (int shift : {21, 14, 7, 0})
        out.push_back(static_cast<unsigned char>((n >> shift) & 0x7F));
}

// An ID3v2.4 tag holding one cover picture of pictureBytes bytes of noise
// (which, like a real JPEG, is full of byte pairs that look like frame sync),
// with a footer when asked.
std::vector<unsigned char> id3v2(size_t pictureBytes, bool footer) {
    std::vector<unsigned char> frame = {0};
    for (char c : std::string("image/jpeg"))
        frame.push_back(static_cast<unsigned char>(c));
    frame.insert(frame.end(), {0, 3, 0});
    unsigned state = 12345;
    for (size_t i = 0; i < pictureBytes; ++i) {
        state = state * 1103515245u + 12345u;
        frame.push_back(static_cast<unsigned char>(i % 97 == 0 ? 0xFF : state >> 16));
    }
    std::vector<unsigned char> body = {'A', 'P', 'I', 'C'};
    appendSyncsafe(body, frame.size());
    body.insert(body.end(), {0, 0});
    body.insert(body.end(), frame.begin(), frame.end());
    const unsigned char flags = footer ? 0x10 : 0x00;
    std::vector<unsigned char> tag = {'I', 'D', '3', 4, 0, flags};
    appendSyncsafe(tag, body.size());
    tag.insert(tag.end(), body.begin(), body.end());
    if (footer) {
        tag.insert(tag.end(), {'3', 'D', 'I', 4, 0, flags});
        appendSyncsafe(tag, body.size());
    }
    return tag;
}

// An APEv2 tag with header and footer and one text item, then an ID3v1 tag:
// what taggers leave at the end of a file.
std::vector<unsigned char> trailingTags() {
    const std::string item = "Title";
    std::vector<unsigned char> items = {5, 0, 0, 0, 0, 0, 0, 0};
    items.insert(items.end(), item.begin(), item.end());
    items.push_back(0);
    items.insert(items.end(), {'S', 'o', 'n', 'g'});
    auto apeBlock = [&](bool header) {
        std::vector<unsigned char> b = {'A', 'P', 'E', 'T', 'A', 'G', 'E', 'X', 0xD0, 0x07, 0, 0};
        const size_t size = items.size() + 32;
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<unsigned char>(size >> (8 * i)));
        b.insert(b.end(), {1, 0, 0, 0, 0, 0, 0, static_cast<unsigned char>(header ? 0xA0 : 0x80)});
        b.resize(32, 0);
        return b;
    };
    std::vector<unsigned char> out = apeBlock(true);
    out.insert(out.end(), items.begin(), items.end());
    const auto footer = apeBlock(false);
    out.insert(out.end(), footer.begin(), footer.end());
    std::vector<unsigned char> id3v1(128, 0);
    id3v1[0] = 'T', id3v1[1] = 'A', id3v1[2] = 'G';
    out.insert(out.end(), id3v1.begin(), id3v1.end());
    return out;
}

// Plays path unpositioned until it stops (at most limit seconds) and returns
// what was rendered.
std::vector<float> playToEnd(const std::string& path, double limit) {
    const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
    EXPECT_NE(h, 0u) << path << ": error " << BASS_ErrorGetCode();
    if (!h)
        return {};
    BASS_ChannelPlay(h, 0);
    std::vector<float> out;
    for (double t = 0; t < limit && BASS_ChannelIsActive(h) != BASS_ACTIVE_STOPPED; t += 0.05) {
        const auto block = render(0.05);
        out.insert(out.end(), block.begin(), block.end());
    }
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD{BASS_ACTIVE_STOPPED}) << "still playing";
    BASS_StreamFree(h);
    return out;
}

// Where the sound ends, in seconds (the encoder adds a few milliseconds of
// delay and padding to each part).
double seconds(const std::vector<float>& stereo) {
    size_t last = 0;
    for (size_t i = 0; i < stereo.size(); ++i)
        if (std::fabs(stereo[i]) > 0.01f)
            last = i / 2;
    return static_cast<double>(last) / kRenderRate;
}

TEST(MpegTags, TagsOfAnySizeBeforeAndAfterTheFramesAreSkipped) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    const auto audio = mp3(dir, {.channels = 2, .seconds = 0.3});
    struct Case {
        const char* name;
        size_t picture;
        bool footer;
        bool trailing;
    };
    for (const Case c : {Case{"cover100k.mp3", 100 * 1024, false, false},
                         Case{"cover400k.mp3", 400 * 1024, true, true},
                         Case{"small+trailing.mp3", 1000, false, true}}) {
        SCOPED_TRACE(c.name);
        auto bytes = id3v2(c.picture, c.footer);
        bytes.insert(bytes.end(), audio.begin(), audio.end());
        if (c.trailing) {
            const auto tail = trailingTags();
            bytes.insert(bytes.end(), tail.begin(), tail.end());
        }
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeBytes(path, bytes));
        const auto out = playToEnd(path, 2.0);
        ASSERT_GT(seconds(out), 0.28);
        EXPECT_LT(seconds(out), 0.4);
        EXPECT_NEAR(frequency(out, 0, 2205, 11025, kRenderRate), 440.0, 10.0);
    }
}

TEST(MpegFormatChanges, JoinedPartsPlayInTheFirstPartsFormatAtTheirOwnSpeed) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    const ToneSpec mono{.channels = 1, .seconds = 0.5}, stereo{.channels = 2, .seconds = 0.5},
        low{.channels = 1, .rate = 22050, .seconds = 0.5};
    struct Case {
        const char* name;
        ToneSpec first, second;
    };
    for (const Case& c :
         {Case{"mono+stereo.mp3", mono, stereo}, Case{"stereo+mono.mp3", stereo, mono},
          Case{"44k+22k.mp3", mono, low}, Case{"22k+44k.mp3", low, mono}}) {
        SCOPED_TRACE(c.name);
        auto bytes = mp3(dir, c.first);
        const auto second = mp3(dir, c.second);
        bytes.insert(bytes.end(), second.begin(), second.end());
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeBytes(path, bytes));
        const HSTREAM h = BASS_StreamCreateFile(0, path.c_str(), 0, 0, 0);
        BASS_CHANNELINFO info{};
        ASSERT_TRUE(BASS_ChannelGetInfo(h, &info)) << BASS_ErrorGetCode();
        EXPECT_EQ(info.chans, DWORD(c.first.channels));
        EXPECT_EQ(info.freq, DWORD(c.first.rate));
        BASS_StreamFree(h);

        const auto out = playToEnd(path, 3.0);
        ASSERT_GT(seconds(out), 0.95);
        EXPECT_LT(seconds(out), 1.12);
        // The tone keeps its pitch in both parts.
        for (const double at : {0.15, 0.7}) {
            const auto from = static_cast<size_t>(at * kRenderRate);
            EXPECT_NEAR(frequency(out, 0, from, from + 8820, kRenderRate), 440.0, 10.0) << at;
        }
    }
}

// ---- Plug-ins ------------------------------------------------------------------

TEST(DamagedPlugins, TruncatedOrForeignSharedObjectsAreRefusedWithoutLoading) {
    TempDir dir;
    const auto plugin = readBytes(wavPackPlugin());
    ASSERT_GT(plugin.size(), sizeof(ElfW(Ehdr)));
    ElfW(Ehdr) eh{};
    std::memcpy(&eh, plugin.data(), sizeof eh);
    const size_t headersEnd = eh.e_phoff + size_t{eh.e_phnum} * eh.e_phentsize;
    // Where the last segment that dlopen maps ends; what follows (sections,
    // debug information) is not needed to load.
    size_t loadEnd = 0;
    for (size_t i = 0; i < eh.e_phnum; ++i) {
        ElfW(Phdr) ph{};
        std::memcpy(&ph, plugin.data() + eh.e_phoff + i * eh.e_phentsize, sizeof ph);
        if (ph.p_type == PT_LOAD)
            loadEnd = std::max<size_t>(loadEnd, ph.p_offset + ph.p_filesz);
    }
    ASSERT_LT(headersEnd, loadEnd / 2);

    auto cut = [&](size_t n) {
        return std::vector<unsigned char>(plugin.begin(), plugin.begin() + long(n));
    };
    auto foreign = plugin;
    const ElfW(Half) otherMachine = eh.e_machine == EM_AARCH64 ? EM_X86_64 : EM_AARCH64;
    std::memcpy(foreign.data() + offsetof(ElfW(Ehdr), e_machine), &otherMachine,
                sizeof otherMachine);
    auto badHeaders = plugin;
    const ElfW(Off) pastEnd = plugin.size();
    std::memcpy(badHeaders.data() + offsetof(ElfW(Ehdr), e_phoff), &pastEnd, sizeof pastEnd);

    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
    };
    for (const Case& c :
         {Case{"bassheaders.so", cut(headersEnd)}, Case{"basshalf.so", cut(loadEnd / 2)},
          Case{"bassalmost.so", cut(loadEnd - 1)}, Case{"bassforeign.so", foreign},
          Case{"bassphoff.so", badHeaders}}) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(writeBytes(path, c.bytes));
        EXPECT_EQ(BASS_PluginLoad(path.c_str(), 0), 0u) << c.name;
        EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_PLUGIN) << c.name;
    }
    // The intact plug-in still loads.
    EXPECT_NE(BASS_PluginLoad(wavPackPlugin().c_str(), 0), 0u) << BASS_ErrorGetCode();
}

// ---- Refused files leave nothing behind -------------------------------------------

// The heap in use, where glibc's allocator serves it (0 under a sanitizer's,
// whose leak checker watches instead).
size_t heapInUse() {
    return mallinfo2().uordblks;
}

TEST(RefusedFiles, AnOggCutAfterItsFirstPageIsRefusedWithoutLeaking) {
    TempDir dir;
    LoopbackDevice device;
    ASSERT_TRUE(device.ok());
    const std::string ogg = dir.file("tone.ogg");
    ASSERT_TRUE(writeTone(ogg, {.seconds = 0.1}));
    const auto whole = readBytes(ogg);
    // The first page holds the identification header alone: 58 bytes.
    ASSERT_GT(whole.size(), 58u);
    ASSERT_EQ(whole[26], 1);
    ASSERT_EQ(27 + 1 + whole[27], 58);
    // Cut there, and the same behind a broken page that a reader skips.
    const std::vector<unsigned char> cut(whole.begin(), whole.begin() + 58);
    std::vector<unsigned char> behindJunk = {'O', 'g', 'g', 'S', '?'};
    behindJunk.insert(behindJunk.end(), cut.begin(), cut.end());
    for (const auto& bytes : {cut, behindJunk}) {
        const std::string path = dir.file("cut.ogg");
        ASSERT_TRUE(writeBytes(path, bytes));
        auto open = [&] {
            EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, 4), 0u);
            EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT);
        };
        open(); // first-use allocations
        const size_t before = heapInUse();
        for (int i = 0; i < 1000; ++i)
            open();
        EXPECT_LT(heapInUse(), before + 100 * 1024) << bytes.size() << " bytes";
    }
    // The whole file still opens.
    const HSTREAM h = BASS_StreamCreateFile(0, ogg.c_str(), 0, 0, 0xE);
    EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
    BASS_StreamFree(h);
}
