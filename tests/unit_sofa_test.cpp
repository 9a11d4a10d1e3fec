// Personal HRTFs: the SOFA files Debian's libmysofa ships, converted into the
// user's data folder and rendered by OpenAL Soft on the loopback device; an
// ears-swapped copy; damaged copies refused with their reason.
#include "AudioRender.h"
#include "FileMeasures.h"
#include "ScopedValue.h"
#include "SoundFiles.h"
#include "audiolib.h"
#include "hrtf/MinimumPhase.h"
#include "hrtf/SofaConvert.h"

#include <complex>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <hdf5.h>
#include <map>

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

const std::string Kemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";

// Each test's own data folder, where OpenAL Soft looks first, and a noise.
class SofaSets : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(HrtfDataFolder(), data.path() + "/openal/hrtf");
        ASSERT_TRUE(writeTone(sounds.file("noise.wav"), {1, 44100, 0.4, 0, 0.5, Wave::Noise}));
    }

    std::string folder() const { return HrtfDataFolder(); }

    // Renders sound (the noise unless named) at place with the data set listed as entry.
    std::vector<float> renderAt(const std::string& entry, BASS_3DVECTOR place,
                                const std::string& sound = "noise.wav") {
        int index = -1;
        for (DWORD i = 0; const char* n = AUDIOLIB_GetHRTFName(i); ++i)
            if (entry == n)
                index = static_cast<int>(i);
        EXPECT_GE(index, 0) << entry << " is not listed";
        EXPECT_TRUE(AUDIOLIB_SetHRTF(AUDIOLIB_HRTF_ON, index)) << BASS_ErrorGetCode();
        AUDIOLIB_HRTF_INFO info{};
        EXPECT_TRUE(AUDIOLIB_GetHRTFInfo(&info));
        EXPECT_TRUE(info.active);
        EXPECT_EQ(info.inUse, index) << entry << " is not the one rendering";
        const HSTREAM h =
            BASS_StreamCreateFile(0, sounds.file(sound).c_str(), 0, 0, BASS_SAMPLE_3D);
        EXPECT_NE(h, 0u) << BASS_ErrorGetCode();
        EXPECT_TRUE(BASS_ChannelSet3DPosition(h, &place, nullptr, nullptr));
        BASS_Apply3D();
        EXPECT_TRUE(BASS_ChannelPlay(h, 0));
        auto out = render(0.3);
        BASS_StreamFree(h);
        render(0.05);
        return std::vector<float>(out.begin() + 2 * 2205, out.end()); // past the fade-in
    }

    TempDir data, sounds;
    ScopedEnv dataHome{"XDG_DATA_HOME", data.path()};
};

// Left level over right level, in dB.
double levelDifferenceDb(const std::vector<float>& s) {
    return 20.0 * std::log10(rms(s, 0) / rms(s, 1));
}

// The lag (in samples) at which the right ear best matches the left one:
// positive when the right ear hears it later.
int interauralLag(const std::vector<float>& s) {
    int best = 0;
    double bestSum = -1e30;
    const size_t frames = s.size() / 2;
    for (int lag = -40; lag <= 40; ++lag) {
        double sum = 0.0;
        for (size_t i = 40; i + 40 < frames; ++i)
            sum += s[2 * i] * s[2 * static_cast<size_t>(static_cast<long>(i) + lag) + 1];
        if (sum > bestSum) {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

// Both ears' level together, in dB.
double levelDb(const std::vector<float>& s) {
    return 10.0 * std::log10(rms(s, 0) * rms(s, 0) + rms(s, 1) * rms(s, 1));
}

// The level of what tells two renders apart.
double difference(const std::vector<float>& a, const std::vector<float>& b) {
    double sum = 0.0;
    for (size_t i = 0; i < a.size(); ++i)
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(sum / static_cast<double>(a.size()));
}

// Writes a copy of the KEMAR file to path with one variable rewritten through
// the hdf5 library; change receives the values and the dimensions.
template <typename Change>
void editedKemar(const std::string& path, const char* variable, Change change) {
    fs::copy_file(Kemar, path, fs::copy_options::overwrite_existing);
    const hid_t file = H5Fopen(path.c_str(), H5F_ACC_RDWR, H5P_DEFAULT);
    ASSERT_GE(file, 0);
    const hid_t set = H5Dopen2(file, variable, H5P_DEFAULT);
    ASSERT_GE(set, 0) << variable;
    const hid_t space = H5Dget_space(set);
    hsize_t dims[3] = {1, 1, 1};
    const int rank = H5Sget_simple_extent_dims(space, dims, nullptr);
    std::vector<double> values(dims[0] * (rank > 1 ? dims[1] : 1) * (rank > 2 ? dims[2] : 1));
    ASSERT_GE(H5Dread(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0);
    change(values, dims);
    ASSERT_GE(H5Dwrite(set, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, values.data()), 0);
    H5Sclose(space);
    H5Dclose(set);
    H5Fclose(file);
}

} // namespace

// The shipped files install as one set (a second load replaces the program's
// own set of that name) that keeps the measurement distance and is heard where
// the sources are; OpenAL Soft's own set sounds otherwise; a copy with the ears
// swapped puts a source at the right on the left.
TEST_F(SofaSets, ShippedFilesPlaceSourcesWhereTheyAreAndSwappedEarsSwapSides) {
    const std::string name = "MIT KEMAR, normal pinna", entry = HrtfEntryName(name, 44100);
    for (const std::string& file : {Kemar, std::string("/usr/share/libmysofa/default.sofa")}) {
        SCOPED_TRACE(file);
        std::string loaded;
        TSofaProblem problem;
        ASSERT_TRUE(LoadSofaFile(file, folder(), loaded, problem)) << SofaProblemText(problem);
        EXPECT_EQ(loaded, name) << "no Title: the database and the listener";
        EXPECT_EQ(InstalledHrtfSets(folder()), std::vector<std::string>{name});
        EXPECT_EQ(folderState(folder()).size(), 3u);
        // The distance field, after the header, the rate and the format bytes.
        std::ifstream in(folder() + "/" + entry + ".mhr", std::ios::binary);
        unsigned char head[18] = {};
        in.read(reinterpret_cast<char*>(head), sizeof head);
        EXPECT_EQ(head[16] | head[17] << 8, 1400) << "KEMAR at 1.4 m, in millimetres";
    }
    LoopbackDevice device(AUDIOLIB_HRTF_ON);
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    const auto left = renderAt(entry, {-1.f, 0.f, 0.f});
    EXPECT_GT(levelDifferenceDb(left), 6.0) << "a source at the left is louder on the left";
    EXPECT_GT(interauralLag(left), 5) << "and reaches the left ear first";
    const auto front = renderAt(entry, {0.f, 0.f, 1.f});
    EXPECT_NEAR(levelDifferenceDb(front), 0.0, 2.0);
    EXPECT_NEAR(interauralLag(front), 0, 2);
    const auto up = renderAt(entry, {0.f, 1.f, 0.f});
    EXPECT_NEAR(levelDifferenceDb(up), 0.0, 2.0);
    EXPECT_GT(difference(up, front), 0.1 * rms(front, 0)) << "above is not in front";
    // OpenAL Soft's own set last: the set replaced below is in use nowhere.
    const auto byDefault = renderAt("default-44100", {-1.f, 0.f, 0.f});
    EXPECT_GT(levelDifferenceDb(byDefault), 3.0);
    EXPECT_GT(difference(left, byDefault), 0.1 * rms(left, 0));

    const std::string swapped = sounds.file("swapped.sofa");
    editedKemar(swapped, "Data.IR", [](std::vector<double>& v, const hsize_t* dims) {
        ASSERT_EQ(dims[1], 2u);
        for (size_t m = 0; m < dims[0]; ++m)
            for (size_t k = 0; k < dims[2]; ++k)
                std::swap(v[(m * 2) * dims[2] + k], v[(m * 2 + 1) * dims[2] + k]);
    });
    std::string loaded;
    TSofaProblem problem;
    ASSERT_TRUE(LoadSofaFile(swapped, folder(), loaded, problem)) << SofaProblemText(problem);
    const auto right = renderAt(HrtfEntryName(loaded, 44100), {1.f, 0.f, 0.f});
    EXPECT_GT(levelDifferenceDb(right), 6.0);
    EXPECT_GT(interauralLag(right), 5);
}

// Tones at the left through the KEMAR set: louder on the left at every
// frequency, the lows as strong against 1 kHz as with OpenAL Soft's own set
// (a response cut short after its onset loses them); a quiet noise around the
// horizon plays about as loud as with that set.
TEST_F(SofaSets, KemarSetKeepsItsLowsAndPlaysAsLoudAsTheDefaultSet) {
    std::string name;
    TSofaProblem problem;
    ASSERT_TRUE(LoadSofaFile(Kemar, folder(), name, problem)) << SofaProblemText(problem);
    const std::string entry = HrtfEntryName(name, 44100);
    LoopbackDevice device(AUDIOLIB_HRTF_ON);
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    std::map<int, double> ours, theirs; // both ears' level, by frequency
    for (const int hz : {250, 500, 1000, 4000}) {
        SCOPED_TRACE(hz);
        const std::string tone = "sine" + std::to_string(hz) + ".wav";
        ASSERT_TRUE(writeTone(sounds.file(tone), {1, 44100, 0.4, double(hz), 0.4, Wave::Sine}));
        const auto left = renderAt(entry, {-1.f, 0.f, 0.f}, tone);
        EXPECT_GT(levelDifferenceDb(left), 2.0) << "louder on the left";
        ours[hz] = levelDb(left);
        theirs[hz] = levelDb(renderAt("default-44100", {-1.f, 0.f, 0.f}, tone));
    }
    EXPECT_NEAR(ours[250] - ours[1000], theirs[250] - theirs[1000], 3.0) << "no hole in the lows";
    EXPECT_NEAR(ours[500] - ours[1000], theirs[500] - theirs[1000], 3.0);
    ASSERT_TRUE(writeTone(sounds.file("quiet.wav"), {1, 44100, 0.4, 0, 0.1, Wave::Noise}));
    double sum = 0.0, sumByDefault = 0.0;
    for (const BASS_3DVECTOR place :
         {BASS_3DVECTOR{-1.f, 0.f, 0.f}, BASS_3DVECTOR{0.f, 0.f, 1.f}, BASS_3DVECTOR{1.f, 0.f, 0.f},
          BASS_3DVECTOR{0.f, 0.f, -1.f}}) {
        sum += std::pow(10.0, levelDb(renderAt(entry, place, "quiet.wav")) / 10.0);
        sumByDefault +=
            std::pow(10.0, levelDb(renderAt("default-44100", place, "quiet.wav")) / 10.0);
    }
    EXPECT_NEAR(10.0 * std::log10(sum / sumByDefault), 0.0, 2.0) << "as loud as OpenAL Soft's set";
}

TEST_F(SofaSets, DamagedFilesAreRefusedWithTheirReasonAndInstallNothing) {
    // One good set is there already: a refusal must leave it as it was.
    std::string kept;
    TSofaProblem problem;
    ASSERT_TRUE(LoadSofaFile(Kemar, folder(), kept, problem));
    const auto before = folderState(folder());

    const std::string truncated = sounds.file("truncated.sofa");
    fs::copy_file(Kemar, truncated);
    fs::resize_file(truncated, fs::file_size(Kemar) / 2);

    // The convention's name patched in the file's bytes, same length.
    const std::string convention = sounds.file("convention.sofa");
    {
        std::ifstream in(Kemar, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        for (size_t at; (at = bytes.find("SimpleFreeFieldHRIR")) != std::string::npos;)
            bytes.replace(at, 19, "SimpleFreeFieldHRTF");
        std::ofstream(convention, std::ios::binary) << bytes;
    }
    // The horizon between 40 and 110 degrees moved to the front.
    const std::string gap = sounds.file("gap.sofa");
    editedKemar(gap, "SourcePosition", [](std::vector<double>& v, const hsize_t* dims) {
        ASSERT_EQ(dims[1], 3u);
        for (size_t m = 0; m < dims[0]; ++m)
            if (std::fabs(v[3 * m + 1]) < 1.0 && v[3 * m] > 40.0 && v[3 * m] < 110.0)
                v[3 * m] = 0.0;
    });
    const std::string missing = sounds.file("missing.sofa");

    const struct {
        std::string path;
        TSofaError error;
        std::string words; // in the reason
    } cases[] = {
        {truncated, TSofaError::NotSofa, "SOFA"},
        {convention, TSofaError::Convention, "SimpleFreeFieldHRTF"},
        {gap, TSofaError::Horizon, "70.0°"},
        {missing, TSofaError::Unreadable, "ファイル"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::string name;
        TSofaProblem p;
        EXPECT_FALSE(LoadSofaFile(c.path, folder(), name, p));
        EXPECT_EQ(p.Error, c.error) << SofaProblemText(p);
        EXPECT_NE(SofaProblemText(p).find(c.words), std::string::npos) << SofaProblemText(p);
        EXPECT_EQ(folderState(folder()), before);
    }

    // Data that reads but cannot make a set: one ear, too few elevations.
    TSofaData good;
    ASSERT_TRUE(ReadSofa(Kemar, good, problem));
    EXPECT_EQ(good.Samples, 512u) << "long responses are not refused";
    TSofaData oneEar = good, flat = good;
    oneEar.Receivers = 1;
    oneEar.Responses.resize(good.Responses.size() / 2);
    for (auto& place : flat.Places)
        place.Elevation = std::max(place.Elevation, -20.0);
    for (const auto& [data, error, words] : {std::tuple{oneEar, TSofaError::Receivers, "1"},
                                             std::tuple{flat, TSofaError::Elevation, "-20°"}}) {
        EXPECT_FALSE(CheckSofa(data, problem));
        EXPECT_EQ(problem.Error, error);
        EXPECT_NE(SofaProblemText(problem).find(words), std::string::npos)
            << SofaProblemText(problem);
    }
    EXPECT_EQ(folderState(folder()), before);
}

TEST(SofaNames, ASetNameFindsItsEntryAtTheRate) {
    const std::vector<std::string> listed = {"MIT-44100", "MIT-48000", "default-44100",
                                             "default-48000", "Built-In 44100hz"};
    const struct {
        std::string name;
        int rate, index;
    } cases[] = {
        {"MIT", 48000, 1},           {"MIT-44100", 48000, 1},     {"MIT-48000", 44100, 0},
        {"default-44100", 44100, 2}, {"default-44100", 48000, 3}, {"Built-In 44100hz", 48000, 4},
        {"nothing", 44100, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HrtfEntryForRate(listed, c.name, c.rate), c.index) << c.name << " " << c.rate;
}

// The transform against the plain sum it stands for, both ways; minimum phase
// on responses whose answer is known: a zero outside the unit circle moves in,
// a delay goes, a minimum-phase response stays.
// Known minimum-phase answers, through the transform both ways: a zero
// outside the unit circle moves in, a delay goes, a minimum phase stays.
TEST(SofaSpectra, MinimumPhaseMovesZerosInAndPowersOfTwoOnly) {
    using Complex = std::complex<double>;
    std::vector<Complex> odd(12);
    EXPECT_FALSE(Fft(odd));
    const struct {
        std::vector<double> response, minimum;
    } cases[] = {{{1, -2}, {2, -1}}, {{0, 0, 1}, {1, 0, 0}}, {{1, 0.5, 0.25}, {1, 0.5, 0.25}}};
    for (const auto& c : cases) {
        std::vector<Complex> spectrum(64);
        std::copy(c.response.begin(), c.response.end(), spectrum.begin());
        Fft(spectrum);
        std::vector<double> half(33);
        for (size_t k = 0; k < half.size(); ++k)
            half[k] = std::abs(spectrum[k]);
        const auto taps = MinimumPhase(half, c.minimum.size());
        for (size_t k = 0; k < taps.size(); ++k)
            EXPECT_NEAR(taps[k], c.minimum[k], 1e-6) << k;
    }
    EXPECT_TRUE(MinimumPhase(std::vector<double>(12, 1.0), 4).empty());
}
