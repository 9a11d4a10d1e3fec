#include "SoundFiles.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sndfile.h>

namespace testsupport {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "phonara-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        ADD_FAILURE() << "mkdtemp failed";
        return;
    }
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ec);
}

std::vector<float> toneSamples(const ToneSpec& toneSpec) {
    const long frames = std::lround(toneSpec.seconds * toneSpec.rate);
    std::vector<float> out(static_cast<size_t>(frames) * toneSpec.channels);
    std::mt19937 rng(1234);
    std::uniform_real_distribution<float> noise(-1.f, 1.f);
    for (long i = 0; i < frames; ++i) {
        float v = 0.f;
        switch (toneSpec.wave) {
        case Wave::Sine:
            v = static_cast<float>(toneSpec.amplitude *
                                   std::sin(2.0 * M_PI * toneSpec.frequency * i / toneSpec.rate));
            break;
        case Wave::Silence:
            break;
        case Wave::Click:
            v = i < toneSpec.rate / 200 ? static_cast<float>(toneSpec.amplitude) : 0.f;
            break;
        case Wave::Noise:
            v = static_cast<float>(toneSpec.amplitude) * noise(rng);
            break;
        }
        for (int c = 0; c < toneSpec.channels; ++c)
            out[static_cast<size_t>(i) * toneSpec.channels + c] = v;
    }
    return out;
}

static int formatFor(const std::string& path) {
    auto ext = std::filesystem::path(path).extension().string();
    for (auto& ch : ext)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (ext == ".wav")
        return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    if (ext == ".aif" || ext == ".aiff")
        return SF_FORMAT_AIFF | SF_FORMAT_PCM_16;
    if (ext == ".ogg")
        return SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    if (ext == ".flac")
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    return 0;
}

bool writeTone(const std::string& path, const ToneSpec& toneSpec) {
    SF_INFO info{};
    info.samplerate = toneSpec.rate;
    info.channels = toneSpec.channels;
    info.format = formatFor(path);
    if (info.format == 0) {
        ADD_FAILURE() << "no sound format for " << path;
        return false;
    }
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        ADD_FAILURE() << "sf_open(" << path << "): " << sf_strerror(nullptr);
        return false;
    }
    const auto samples = toneSamples(toneSpec);
    const sf_count_t frames = static_cast<sf_count_t>(samples.size()) / toneSpec.channels;
    const bool ok = sf_writef_float(f, samples.data(), frames) == frames;
    sf_close(f);
    EXPECT_TRUE(ok) << "short write to " << path;
    return ok;
}

bool writeFloatWav(const std::string& path, const std::vector<float>& samples, int channels,
                   int rate) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        ADD_FAILURE() << path << ": " << sf_strerror(nullptr);
        return false;
    }
    sf_command(file, SFC_SET_NORM_FLOAT, nullptr, SF_FALSE);
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size()) / channels);
    return sf_close(file) == 0;
}

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<unsigned char> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> tinyModule() {
    // ProTracker layout: title (20), 31 sample headers (30 each), song length,
    // restart byte, order table (128), "M.K.", one pattern (64 rows x 4 ch x 4
    // bytes), then the sample data.
    std::vector<unsigned char> m;
    auto put = [&](const std::string& s, size_t n) {
        for (size_t i = 0; i < n; ++i)
            m.push_back(i < s.size() ? static_cast<unsigned char>(s[i]) : 0);
    };
    put("phonara test", 20);
    const int sampleWords = 32; // 64 bytes: one square-wave cycle
    for (int s = 0; s < 31; ++s) {
        put(s == 0 ? "square" : "", 22);
        const int words = s == 0 ? sampleWords : 0;
        m.push_back(static_cast<unsigned char>(words >> 8));
        m.push_back(static_cast<unsigned char>(words & 0xff));
        m.push_back(0);               // finetune
        m.push_back(s == 0 ? 64 : 0); // volume
        m.push_back(0);               // loop start (words)
        m.push_back(0);
        m.push_back(0); // loop length (words)
        m.push_back(s == 0 ? sampleWords : 1);
    }
    m.push_back(1);   // song length: one order
    m.push_back(127); // restart byte
    for (int i = 0; i < 128; ++i)
        m.push_back(0);
    put("M.K.", 4);
    for (int row = 0; row < 64; ++row) {
        for (int ch = 0; ch < 4; ++ch) {
            if (row == 0 && ch == 0) {
                const int period = 428; // C-2
                m.push_back(static_cast<unsigned char>((1 & 0xf0) | (period >> 8)));
                m.push_back(static_cast<unsigned char>(period & 0xff));
                m.push_back(static_cast<unsigned char>((1 & 0x0f) << 4));
                m.push_back(0);
            } else if (row == 15 && ch == 0) {
                m.insert(m.end(), {0, 0, 0x0D, 0}); // pattern break: the song ends early
            } else {
                m.insert(m.end(), {0, 0, 0, 0});
            }
        }
    }
    for (int i = 0; i < sampleWords * 2; ++i)
        m.push_back(i < sampleWords ? 0x60 : 0xA0);
    return m;
}

Sound readSound(const std::string& path) {
    Sound sound;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return sound;
    sound.format = info.format;
    sound.rate = info.samplerate;
    sound.channels = info.channels;
    sound.samples.resize(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, sound.samples.data(), info.frames);
    sf_close(f);
    return sound;
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace testsupport
