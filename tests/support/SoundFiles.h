// Short sound files that the tests write for themselves, in a private folder.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testsupport {

// A fresh temporary folder, removed with everything in it when destroyed.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

enum class Wave { Sine, Silence, Click, Noise };

struct ToneSpec {
    int channels = 1;
    int rate = 44100;
    double seconds = 0.2;
    double frequency = 440.0;
    double amplitude = 0.5;
    Wave wave = Wave::Sine;
};

// Writes a file whose format follows its extension: .wav, .aif/.aiff, .ogg,
// .flac. Returns false (and fails the running test) when libsndfile refuses.
bool writeTone(const std::string& path, const ToneSpec& toneSpec = {});

// Writes interleaved samples as a 32-bit float WAV, stored as they are (NaN,
// beyond full scale). Returns false (and fails the running test) on refusal.
bool writeFloatWav(const std::string& path, const std::vector<float>& samples, int channels = 1,
                   int rate = 44100);

// The samples writeTone would write, interleaved.
std::vector<float> toneSamples(const ToneSpec& toneSpec);

// Writes raw bytes (for broken and disguised files).
bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);
std::vector<unsigned char> readBytes(const std::string& path);

// A sound file read back whole; empty (rate 0) when libsndfile cannot open it.
struct Sound {
    int format = 0, rate = 0, channels = 0;
    std::vector<float> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / size_t(channels) : 0; }
    double seconds() const { return rate ? double(frames()) / rate : 0; }
};
Sound readSound(const std::string& path);

// The names in a folder, sorted: what a failed write must not leave behind.
std::vector<std::string> entries(const std::string& folder);

// A minimal valid four-channel ProTracker module (M.K.) that plays a square
// wave on channel 1 for a few rows.
std::vector<unsigned char> tinyModule();

} // namespace testsupport
