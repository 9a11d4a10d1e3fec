// Export as users meet it: the program run with --export on a machine without
// display or sound card, and the window's export, which runs the same program
// as a child while the window and its playback go on. The files written are
// read back and measured.
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <ebur128.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include "AudioRender.h"
#include "CommaLocale.h"
#include "FileMeasures.h"
#include "Modal.h"
#include "RealProgram.h"
#include "ScopedLocale.h"
#include "app/Language.h"
#include "channellist/GridSelection.h"
#include "channels/Placing.h"
#include "export/ExportDialog.h"
#include "export/ExportJob.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "remote/RemoteServer.h"
#include "widgets/ScrollBar.h"

namespace {

using namespace testsupport;
using Bytes = std::vector<unsigned char>;
using Names = std::vector<std::string>;

QString Program() {
    return QCoreApplication::applicationDirPath() + "/phonaraplayer";
}

// A run of the program, and the file an export that must succeed wrote.
struct TRun {
    int status = -1;
    std::string out, err;
    Sound sound;
};

// The environment of a program run under a comma-decimal locale (empty when
// the locale cannot be made here).
Names CommaLocaleEnvironment() {
    const std::string& folder = CommaLocaleFolder();
    if (folder.empty())
        return {};
    return {"LOCPATH=" + folder, std::string("LC_ALL=") + CommaLocaleName};
}

// The program as on a server: no display, no sound card, not a terminal;
// with the NAME=value entries of extra in its environment.
TRun RunProgram(const Names& args, const std::function<void()>& inChild = nullptr,
                const Names& extra = {}) {
    QProcess child;
    if (inChild)
        child.setChildProcessModifier(inChild);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("ALSOFT_DRIVERS", "no-such-driver");
    for (const std::string& entry : extra) {
        const size_t eq = entry.find('=');
        env.insert(QString::fromStdString(entry.substr(0, eq)),
                   QString::fromStdString(entry.substr(eq + 1)));
    }
    child.setProcessEnvironment(env);
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    child.start(Program(), list);
    child.waitForFinished(120000);
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            child.readAllStandardOutput().toStdString(),
            child.readAllStandardError().toStdString(),
            {}};
}

// "--export OUT --force" + rest, which must succeed.
TRun Export(const std::string& out, Names rest, const Names& extra = {}) {
    rest.insert(rest.begin(), {"--export", out, "--force"});
    TRun run = RunProgram(rest, nullptr, extra);
    EXPECT_EQ(run.status, 0) << out << ": " << run.err;
    run.sound = readSound(out);
    return run;
}

// Share of the energy above about 4 kHz (the first difference weighs highs).
double Brightness(const Sound& s, int channel) {
    double all = 0, high = 0;
    for (size_t i = 1; i < s.frames(); ++i) {
        const double v = s.samples[2 * i + channel], d = v - s.samples[2 * (i - 1) + channel];
        all += v * v;
        high += d * d;
    }
    return all > 0 ? high / all : 0;
}

// Integrated loudness (LUFS) and true peak (dBTP).
std::pair<double, double> Loudness(const Sound& s) {
    ebur128_state* st = ebur128_init(2, unsigned(s.rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(st, s.samples.data(), s.frames());
    double lufs = -HUGE_VAL, left = 0, right = 0;
    ebur128_loudness_global(st, &lufs);
    ebur128_true_peak(st, 0, &left);
    ebur128_true_peak(st, 1, &right);
    ebur128_destroy(&st);
    return {lufs, 20 * std::log10(std::max(left, right))};
}

// The files a test writes in its own folder: a tone, and a playlist of one
// sound at x, y, z after head (comments).
struct Files {
    TempDir dir;
    std::string tone(const std::string& name, const ToneSpec& spec = {}) {
        EXPECT_TRUE(writeTone(dir.file(name), spec));
        return dir.file(name);
    }
    std::string playlist(const std::string& name, int reverb, const std::string& sound, float x,
                         float y, float z, const std::string& head = "") {
        EXPECT_TRUE(WriteFileReplacing(dir.file(name),
                                       head + FormatPlaylist(reverb, 0, {{x, y, z, sound}})));
        return dir.file(name);
    }
};

class CommandLineExport : public ::testing::Test, protected Files {};

TEST_F(CommandLineExport, MonoSourceOnTheRightInEveryFormatAndTheReverbTail) {
    const std::string tone = this->tone("tone.wav", {1, 44100, 0.5, 440.0, 0.5}),
                      dry = playlist("dry.pna", 0, tone, 2.5f, 0, 0);
    // A playlist is read to its end, as the window reads it: its file may
    // come after more than a megabyte of comments.
    const std::string comments = QString("#EXTINF:1,comment\n").repeated(70000).toStdString(),
                      big = playlist("big.pna", 0, tone, 2.5f, 0, 0, comments);
    const int wav = SF_FORMAT_WAV, flac = SF_FORMAT_FLAC, pcm16 = SF_FORMAT_PCM_16,
              pcm24 = SF_FORMAT_PCM_24;
    const struct {
        const char* name;
        Names rest;
        int format, rate;
    } table[] = {
        {"a.wav", {dry}, wav | pcm16, 44100},
        {"b.wav", {"--format", "wav24", "--rate", "48000", dry}, wav | pcm24, 48000},
        {"c.wav", {"--format", "float", dry}, wav | SF_FORMAT_FLOAT, 44100},
        {"d.flac", {dry}, flac | pcm16, 44100},
        {"e.flac", {"--format", "flac24", dry}, flac | pcm24, 44100},
        {"f.ogg", {"--quality", "2", dry}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
        {"g.wav", {big}, wav | pcm16, 44100},
    };
    for (const auto& row : table) {
        const auto [status, out, err, s] = Export(dir.file(row.name), row.rest);
        // Not a terminal: the summary and nothing else.
        EXPECT_NE(out.find("LUFS"), std::string::npos) << out;
        EXPECT_EQ(err, "") << row.name;
        EXPECT_EQ(std::tie(s.format, s.rate, s.channels), std::tuple(row.format, row.rate, 2))
            << row.name;
        // Reverb at 0: nothing follows the file beyond a block or two.
        EXPECT_TRUE(s.seconds() >= 0.49 && s.seconds() <= 0.56) << row.name << " " << s.seconds();
        EXPECT_GT(rms(s.samples, 1), 0.05) << row.name;
        EXPECT_GT(rms(s.samples, 1), 4 * rms(s.samples, 0)) << row.name;
    }
    // Reverb at full level rings on after the file.
    const Sound w = Export(dir.file("wet.wav"), {playlist("wet.pna", 20, tone, 2.5f, 0, 0)}).sound;
    EXPECT_GT(w.seconds(), 0.8);
    EXPECT_GT(rms(w.samples, 0, 0.6, 0.8) + rms(w.samples, 1, 0.6, 0.8), 1e-3);
}

TEST_F(CommandLineExport, HeadphoneThreeDTellsFrontFromBehind) {
    const std::string noise = tone("noise.wav", {1, 44100, 0.4, 0, 0.3, Wave::Noise});
    const std::string front = playlist("front.pna", 0, noise, 0, 0, 2.f),
                      behind = playlist("behind.pna", 0, noise, 0, 0, -2.f);
    auto brightness = [&](const std::string& list, const char* hrtf) {
        const Sound s =
            Export(dir.file("out.wav"), {"--format", "float", "--hrtf", hrtf, list}).sound;
        EXPECT_GT(rms(s.samples, 0), 0.01) << list;
        return Brightness(s, 0);
    };
    // The pinnae shade sound from behind: its spectrum differs clearly.
    const double ratio = brightness(front, "on") / brightness(behind, "on");
    EXPECT_TRUE(ratio > 1.15 || ratio < 1 / 1.15) << ratio;
    // Without it, the two differ in level at most, not in colour.
    EXPECT_NEAR(brightness(front, "off") / brightness(behind, "off"), 1.0, 0.03);
    // A data set named as the audio menu lists it: OpenAL Soft's first one
    // is the one it takes by itself.
    std::string first;
    {
        const LoopbackDevice device(AUDIOLIB_HRTF_ON);
        ASSERT_TRUE(device.ok());
        first = AUDIOLIB_GetHRTFName(0) ? AUDIOLIB_GetHRTFName(0) : "";
    }
    ASSERT_FALSE(first.empty());
    const auto file = [&](Names rest) {
        rest.insert(rest.begin(), {"--format", "float", "--hrtf", "on"});
        rest.push_back(front);
        return Export(dir.file("set.wav"), rest).sound.samples;
    };
    EXPECT_EQ(file({"--hrtf-set", first}), file({}));
}

TEST_F(CommandLineExport, NormalisingReachesTheTargetOrStopsAtTheCeiling) {
    const std::string quiet =
        playlist("n.pna", 0, tone("noise.wav", {1, 44100, 1.0, 0, 0.05, Wave::Noise}), 0, 0, 1.f);
    // Short clicks: loud peaks, little loudness. The gain stops at -1 dBTP.
    const std::string peaky =
        playlist("c.pna", 0, tone("click.wav", {1, 44100, 1.0, 0, 0.5, Wave::Click}), 0, 0, 1.f);
    const struct {
        const std::string& list;
        const char* target;
        bool limited;
    } table[] = {{quiet, "-16", false}, {quiet, "-23", false}, {peaky, "-5", true}};
    for (const auto& row : table) {
        const TRun run =
            Export(dir.file("n.flac"), {"--format", "flac24", "--normalize", row.target, row.list});
        const auto [lufs, truePeakDb] = Loudness(run.sound);
        const double target = std::stod(row.target);
        if (row.limited) {
            EXPECT_NEAR(truePeakDb, -1.0, 0.1);
            EXPECT_LT(lufs, target - 0.5);
        } else {
            EXPECT_NEAR(lufs, target, 0.5) << run.out;
        }
        // Said when limited, and only then.
        EXPECT_EQ(run.out.find(row.limited ? "-1 dBTP ceiling" : "ceiling") != std::string::npos,
                  row.limited)
            << run.out;
    }
}

TEST_F(CommandLineExport, FailuresLeaveOldFilesAndSayWhy) {
    const std::string tone = this->tone("tone.wav"), old = dir.file("old.wav");
    ASSERT_TRUE(WriteFileReplacing(old, "old"));
    const std::string list = playlist("s.pna", 0, tone, 0, 0, 0),
                      empty = playlist("none.pna", 0, "/no/such.wav", 0, 0, 0);
    // A write that fails half-way (here: a file size limit; a full disk
    // fails the same way) leaves nothing behind either.
    const std::function<void()> sizeLimit = [] {
        const rlimit limit{200000, 200000};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);
    };
    const std::string tooLarge = "cannot write " + old + ": file too large";
    const struct {
        Names args;
        int status;
        std::string says;
        std::function<void()> inChild = nullptr;
    } table[] = {
        {{"--export", dir.path() + "/missing/x.wav", list}, 1, "cannot write"},
        {{"--export", tone + "/x.wav", list}, 1, "cannot write"}, // the folder is a file
        {{"--export", old, "-f", empty}, 1, "no sound file"},
        {{"--export", old, "-f", dir.file("absent.pna")}, 1, "no playlist"},
        {{"--export", old, "--bogus", list}, 2, "Unknown option"},
        {{"--export", old, "-f", "--hrtf", "on", "--hrtf-set", "No Such Set", list},
         1,
         "no HRTF data set named \"No Such Set\" at 44100 Hz (there are: "},
        {{"--export", old, "--loop", list}, 2, "--seconds"},
        {{"--export", old, "-f", "--format", "float", "--seconds", "5", list},
         1,
         tooLarge,
         sizeLimit},
        {{"--help"}, 0, "--normalize"},
    };
    for (const auto& row : table) {
        const TRun run = RunProgram(row.args, row.inChild);
        EXPECT_EQ(run.status, row.status) << row.args[1];
        // Failures speak on stderr alone, with nothing on stdout.
        EXPECT_NE((row.status ? run.err : run.out).find(row.says), std::string::npos) << run.err;
        EXPECT_TRUE(row.status == 0 || run.out.empty()) << run.out;
    }
    EXPECT_EQ(readBytes(old), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entries(dir.path()), (Names{"none.pna", "old.wav", "s.pna", "tone.wav"}));
}

// Sound files straight from the command line, under a comma-decimal locale;
// and faults the program meets half-way, put into it from outside.
TEST_F(CommandLineExport, SoundFilesInACommaLocaleAndFaultsThatLeaveNothingBehind) {
    const Names comma = CommaLocaleEnvironment();
    if (comma.empty())
        GTEST_SKIP() << "localedef or the locale sources (package locales) are missing";
    const std::string mono = tone("mono.wav", {1, 44100, 0.5, 440, 0.5}),
                      stereo = tone("stereo.flac", {2, 44100, 0.5, 660, 0.3});
    // Both at the listener, a missing one named and left out with the reason
    // in words; the length and the summary in C-locale numbers, whatever the
    // locale.
    const TRun run = Export(
        dir.file("files.wav"),
        {"--format", "float", "--seconds", "0.75", mono, dir.file("missing.wav"), stereo}, comma);
    EXPECT_EQ(run.sound.frames(), size_t(0.75 * 44100));
    EXPECT_NE(run.out.find(": 0.75 s, "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" LUFS, true peak "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find(','), run.out.find(", ")) << "no decimal comma: " << run.out;
    EXPECT_NE(run.err.find("missing.wav left out: cannot open or read the file"), std::string::npos)
        << "the reason in words: " << run.err;
    EXPECT_NEAR(rms(run.sound.samples, 0), rms(run.sound.samples, 1), 0.02); // in the middle
    EXPECT_GT(rms(run.sound.samples, 0), 0.1);

    const std::string old = dir.file("old.wav");
    ASSERT_TRUE(WriteFileReplacing(old, "old"));
    const Names before = entries(dir.path());
    const std::string faults = std::string("LD_PRELOAD=") + PHONARA_TEST_FAULTS;
    const Names sanitizer{"ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0"};
    const struct {
        const char* fault;
        Names args;
        int status;
        const char* says;
    } table[] = {
        {"PHONARA_FAULT=alloc", {"--seconds", "5"}, 1, "unexpected error: std::bad_alloc"},
        {"PHONARA_FAULT=meter", {"--normalize", "-16"}, 1, "loudness meter could not start"},
        {"PHONARA_FAULT=meter", {}, 0, "loudness not measured"},
        {"PHONARA_FAULT=none", {"--seconds", "0,5"}, 2, "--seconds must be a positive number"},
    };
    for (const auto& row : table) {
        Names args{"--export", old, "-f"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        args.push_back(mono);
        Names env = comma;
        env.insert(env.end(), {faults, row.fault, sanitizer[0]});
        const TRun r = RunProgram(args, nullptr, env);
        EXPECT_EQ(r.status, row.status) << row.fault << ": " << r.err;
        EXPECT_NE((row.status ? r.err : r.out).find(row.says), std::string::npos)
            << row.fault << ": " << r.out << r.err;
        if (row.status == 0) {
            EXPECT_EQ(r.out.find("LUFS"), std::string::npos) << r.out;
            ASSERT_TRUE(WriteFileReplacing(old, "old"));
        }
        // No temporary file stays, and the old file is whole.
        EXPECT_EQ(entries(dir.path()), before) << row.fault;
        EXPECT_EQ(readBytes(old), (Bytes{'o', 'l', 'd'})) << row.fault;
    }
}

// Speaker layouts: the channels and the speaker map in the file, and a source
// at the left behind the listener in the speakers there; the loudness
// measured with each speaker's weight, the LFE left out.
TEST_F(CommandLineExport, SpeakerLayoutsCarryTheirMapAndASourceBehindLeftIsThere) {
    const std::string behindLeft = playlist(
        "rear.pna", 0, tone("noise.wav", {1, 44100, 0.5, 0, 0.3, Wave::Noise}), -2.f, 0, -2.f);
    enum { L = SF_CHANNEL_MAP_LEFT, R = SF_CHANNEL_MAP_RIGHT, C = SF_CHANNEL_MAP_CENTER };
    enum { LFE = SF_CHANNEL_MAP_LFE, BL = SF_CHANNEL_MAP_REAR_LEFT };
    enum { BR = SF_CHANNEL_MAP_REAR_RIGHT, SL = SF_CHANNEL_MAP_SIDE_LEFT };
    enum { SR = SF_CHANNEL_MAP_SIDE_RIGHT };
    const std::vector<int> quad{L, R, BL, BR}, side51{L, R, C, LFE, SL, SR},
        full71{L, R, C, LFE, BL, BR, SL, SR};
    const struct {
        const char *layout, *file;
        int format;
        std::vector<int> speakers; // in the file's channel order
        bool toldByMask;           // WAV: the mask says; FLAC: the count says
    } table[] = {
        {"quad", "q.wav", SF_FORMAT_WAVEX, quad, true},
        {"5.1", "s.wav", SF_FORMAT_WAVEX, side51, true},
        {"7.1", "e.wav", SF_FORMAT_WAVEX, full71, true},
        {"5.1", "s.flac", SF_FORMAT_FLAC, side51, false},
        {"7.1", "e.flac", SF_FORMAT_FLAC, full71, false},
    };
    for (const auto& row : table) {
        const std::string out = dir.file(row.file);
        const TRun run = Export(out, {"--layout", row.layout, "--normalize", "-20", behindLeft});
        const Sound& s = run.sound;
        const int channels = int(row.speakers.size());
        EXPECT_EQ(s.format & SF_FORMAT_TYPEMASK, row.format) << row.file;
        ASSERT_EQ(s.channels, channels) << row.file;
        if (row.toldByMask) {
            EXPECT_EQ(channelMap(out), row.speakers) << row.file;
        }
        // Loudest in the left back (or side) speakers, the right ones at least 6 dB
        // below (OpenAL Soft spreads a source over neighbouring speakers).
        double there = 0, loudest = 0;
        for (int c = 0; c < channels; ++c) {
            const int speaker = row.speakers[size_t(c)];
            const double level = channelLevel(s, c);
            loudest = std::max(loudest, level);
            if (speaker == BL || speaker == SL)
                there = std::max(there, level);
        }
        for (int c = 0; c < channels; ++c) {
            const int speaker = row.speakers[size_t(c)];
            if (speaker == R || speaker == BR || speaker == SR) {
                EXPECT_LT(channelLevel(s, c), 0.5 * there) << row.file << " channel " << c;
            }
        }
        EXPECT_GT(there, 0.01) << row.file;
        EXPECT_EQ(there, loudest) << row.file;
        EXPECT_NE(run.out.find("-20.0 LUFS"), std::string::npos) << run.out;
    }
}

// AmbiX from the command line: the playlist's place reaches the encoder, whose
// directions unit_ambixrender checks: a source in front on the left, where a
// turned axis of either side would put it elsewhere, has its first order
// (regressed on W) pointing there; the loudness is of W alone.
TEST_F(CommandLineExport, AmbixFilesPointAtTheirSource) {
    const std::string noise = tone("noise.wav", {1, 44100, 0.5, 0, 0.3, Wave::Noise});
    const TRun run =
        Export(dir.file("a.wav"), {"--layout", "ambix3", "--format", "float", "--normalize", "-23",
                                   playlist("a.pna", 0, noise, -1.f, 0, 1.f)});
    const Sound& s = run.sound;
    ASSERT_EQ(s.channels, 16);
    double ww = 0, wy = 0, wx = 0;
    for (size_t i = 0; i < s.frames(); ++i) {
        const double w = s.samples[i * size_t(s.channels)];
        ww += w * w;
        wy += w * s.samples[i * size_t(s.channels) + 1]; // ACN 1: Y, to the left
        wx += w * s.samples[i * size_t(s.channels) + 3]; // ACN 3: X, to the front
    }
    ASSERT_GT(ww, 0);
    EXPECT_NEAR(std::atan2(wy, wx) * 180 / M_PI, 45, 10) << "front left";
    EXPECT_NE(run.out.find("LUFS (of W alone)"), std::string::npos) << run.out;
}

// Writes interleaved float frames as a WAV file.
void WriteFrames(const std::string& path, int channels, const std::vector<float>& samples) {
    SF_INFO info{};
    info.samplerate = 44100;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path;
    sf_writef_float(f, samples.data(), sf_count_t(samples.size()) / channels);
    sf_close(f);
}

// The first frame with any channel above -80 dBFS; -1 for none.
long FirstSound(const Sound& s) {
    for (size_t i = 0; i < s.samples.size(); ++i)
        if (std::fabs(s.samples[i]) > 1e-4f)
            return long(i / size_t(s.channels));
    return -1;
}

// The channel mask in a WAVE_FORMAT_EXTENSIBLE header; -1 when the header
// is another kind.
long long ExtensibleMask(const Bytes& wav) {
    if (wav.size() < 44 || wav[20] != 0xfe || wav[21] != 0xff)
        return -1;
    return (long long)(wav[40] | wav[41] << 8 | wav[42] << 16 | (unsigned long)wav[43] << 24);
}

// Every layout starts on the same sample and says what its channels are: a
// click at frame 1000 comes out at frame 1000, --seconds equal to the file's
// length keeps its last frame; files and streams above two channels are
// extensible WAV, speakers with their mask, AmbiX with mask 0, and libsndfile
// reads the speakers of a streamed 5.1 back.
TEST_F(CommandLineExport, EveryLayoutStartsOnTheSameSampleAndCarriesItsLayout) {
    constexpr size_t Frames = 22050;
    std::vector<float> clicks(Frames, 0.0f);
    clicks[1000] = clicks[Frames - 1] = 0.5f;
    WriteFrames(dir.file("clicks.wav"), 1, clicks);
    const std::string list = playlist("c.pna", 0, dir.file("clicks.wav"), 0, 0, 2.f);
    const std::vector<int> side51{SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,
                                  SF_CHANNEL_MAP_CENTER,    SF_CHANNEL_MAP_LFE,
                                  SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
    const struct {
        const char *layout, *format;
        long long mask;
    } table[] = {
        {"stereo", "wav16", -1}, {"quad", "float", 0x33}, {"5.1", "wav16", 0x60f},
        {"7.1", "wav24", 0x63f}, {"ambix1", "wav16", 0},  {"ambix3", "float", 0},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.layout);
        const Names args{"--layout", row.layout, "--format", row.format, "--seconds", "0.5", list};
        const Sound s = Export(dir.file("c.wav"), args).sound;
        EXPECT_EQ(ExtensibleMask(readBytes(dir.file("c.wav"))), row.mask);
        ASSERT_EQ(s.frames(), Frames);
        EXPECT_EQ(FirstSound(s), 1000);
        double last = 0;
        for (int c = 0; c < s.channels; ++c)
            last = std::max(
                last, double(std::fabs(s.samples[(Frames - 1) * size_t(s.channels) + size_t(c)])));
        EXPECT_GT(last, 0.05) << "the last frame is kept";

        Names toStdout{"--export", "-"};
        toStdout.insert(toStdout.end(), args.begin(), args.end());
        const TRun streamed = RunProgram(toStdout);
        ASSERT_EQ(streamed.status, 0) << streamed.err;
        const Bytes bytes(streamed.out.begin(), streamed.out.end());
        EXPECT_EQ(ExtensibleMask(bytes), row.mask) << "streamed";
        ASSERT_TRUE(writeBytes(dir.file("streamed.wav"), bytes));
        if (std::string(row.layout) == "5.1") {
            EXPECT_EQ(channelMap(dir.file("streamed.wav")), side51);
            EXPECT_EQ(readSound(dir.file("streamed.wav")).frames(), Frames);
        }
    }
}

// The true peak is that of the loudest channel: anti-phase stereo in AmbiX
// cancels in W but not in Y, whose peak is the file's. The limiter after the
// mix says what it did.
TEST_F(CommandLineExport, PeaksOverEveryChannelAndTheLimiterSaysWhatItDid) {
    std::vector<float> antiphase(2 * 22050);
    for (size_t i = 0; i < 22050; ++i) {
        antiphase[2 * i] = 0.5f * float(std::sin(2 * M_PI * 500 * double(i) / 44100));
        antiphase[2 * i + 1] = -antiphase[2 * i];
    }
    WriteFrames(dir.file("anti.wav"), 2, antiphase);
    const auto peakOf = [](const Sound& s) {
        float top = 0;
        for (const float v : s.samples)
            top = std::max(top, std::fabs(v));
        return double(top);
    };
    const TRun ambix = Export(dir.file("a.wav"),
                              {"--layout", "ambix1", "--format", "float", dir.file("anti.wav")});
    const double top = peakOf(ambix.sound);
    ASSERT_GT(top, 0.1);
    const size_t peakAt = ambix.out.find("true peak ");
    ASSERT_NE(peakAt, std::string::npos) << ambix.out;
    EXPECT_NEAR(std::atof(ambix.out.c_str() + peakAt + 10), 20 * std::log10(top), 0.3) << ambix.out;

    // Six full files at the listener sum far past full scale.
    const std::string loud = tone("loud.wav", {1, 44100, 0.5, 0, 0.9, Wave::Noise});
    const TRun limited =
        Export(dir.file("l.wav"), {"--format", "float", loud, loud, loud, loud, loud, loud});
    EXPECT_LE(peakOf(limited.sound), 1.0 + 1e-6);
    const size_t at = limited.out.find("limiter: -");
    ASSERT_NE(at, std::string::npos) << limited.out;
    EXPECT_LT(std::atof(limited.out.c_str() + at + 9), -6.0) << limited.out;
    EXPECT_NE(limited.out.find("--normalize"), std::string::npos) << limited.out;
    const TRun quiet =
        Export(dir.file("n.wav"), {"--normalize", "-16", loud, loud, loud, loud, loud, loud});
    EXPECT_EQ(quiet.out.find("limiter"), std::string::npos) << quiet.out;
}

// A scene in which no file holds sound is an error naming the files; a file
// cut short plays what it holds and says so.
TEST_F(CommandLineExport, FilesWithoutSoundAreNamedAndACutFileSaysSo) {
    const std::string whole = tone("whole.wav", {1, 44100, 0.5, 440, 0.5, Wave::Sine});
    Bytes bytes = readBytes(whole);
    Bytes half(bytes.begin(), bytes.begin() + long(bytes.size() / 2));
    Bytes empty(bytes.begin(), bytes.begin() + 44);
    empty[40] = empty[41] = empty[42] = empty[43] = 0; // a data chunk of no frames
    ASSERT_TRUE(writeBytes(dir.file("half.wav"), half));
    ASSERT_TRUE(writeBytes(dir.file("empty.wav"), empty));

    const TRun none = RunProgram({"--export", dir.file("x.wav"), "--", dir.file("empty.wav")});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("empty.wav (it holds no sound)"), std::string::npos) << none.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("x.wav")));

    const TRun cut = Export(dir.file("h.wav"), {"--format", "float", dir.file("half.wav")});
    EXPECT_NE(cut.err.find("half.wav is cut short"), std::string::npos) << cut.err;
    EXPECT_NE(cut.err.find("0.50 s"), std::string::npos) << cut.err;
    EXPECT_NEAR(cut.sound.seconds(), 0.25, 0.02);
}

class WindowExport : public RealProgramTest, protected Files {
protected:
    void SetUp() override {
        RealProgramTest::SetUp();
        w->ExportProgram = Program();
    }
    // The menu's export; handle closes each of the modals that open.
    void exportFromMenu(int modals, const std::function<void(QWidget*)>& handle) {
        EXPECT_EQ(HandleModals([&] { w->ExportAction->trigger(); }, handle), modals);
    }
};

TEST_F(WindowExport, DialogExportEqualsTheCommandLinesWhilePlaybackGoesOn) {
    EXPECT_FALSE(w->ExportAction->isEnabled()); // nothing loaded
    ASSERT_TRUE(w->LoadChannelFile(1, tone("mono.wav", {1, 44100, 0.3, 500, 0.4})));
    ASSERT_TRUE(w->LoadChannelFile(2, tone("stereo.wav", {2, 44100, 0.5, 300, 0.4})));
    w->ScrollBarX->setPosition(30); // channel 1, the selected one, to the right
    Sources[2].Position = {-1.5f, 0.5f, 1.f};
    w->TrackBar1->setValue(8);
    w->LoopButtonClick(); // channel 1 loops on the live device
    w->RepaintGrid();
    ASSERT_TRUE(w->ExportAction->isEnabled());

    const std::string out = dir.file("window.wav");
    bool hrtf = false;
    exportFromMenu(1, [&](QWidget* modal) {
        auto* d = qobject_cast<TExportDialog*>(modal);
        ASSERT_NE(d, nullptr);
        // A channel loops now: so does the export, for a length.
        EXPECT_TRUE(d->LoopCheck->isChecked());
        EXPECT_EQ(d->SecondsSpin->value(), 60.0);
        EXPECT_TRUE(d->SelectedChannels->isEnabled());
        // A screen reader names a combo box by its item: each has a caption.
        for (QComboBox* box : d->findChildren<QComboBox*>())
            EXPECT_FALSE(
                QAccessible::queryAccessibleInterface(box)->relations(QAccessible::Label).isEmpty())
                << box->currentText().toStdString();
        d->SecondsSpin->setValue(0.8);
        d->FormatBox->setCurrentIndex(d->FormatBox->findData(int(TExportFormat::Float)));
        d->FileEdit->setText(QString::fromStdString(out));
        hrtf = d->LayoutBox->currentData().toInt() == int(TExportLayout::Binaural);
        QTest::mouseClick(d->OkButton, Qt::LeftButton);
    });
    ASSERT_NE(w->ExportRunning, nullptr);
    EXPECT_FALSE(w->ExportAction->isEnabled()); // one export at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 60000));
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しました")) << w->ExportReport.toStdString();
    EXPECT_EQ(BASS_ChannelIsActive(Sources[1].Handle), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(w->ExportAction->isEnabled());

    // The next export starts from this one's file and format, and replaces
    // that file only when the user says so.
    const Bytes exported = readBytes(out);
    for (QMessageBox* summary : w->findChildren<QMessageBox*>())
        summary->close(); // the first export's, which the window leaves open
    QPointer<TExportDialog> again;
    exportFromMenu(2, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            EXPECT_TRUE(box->text().contains("置き換えますか"));
            box->button(QMessageBox::No)->click();
            // "No" leaves the dialog open, to choose again.
            QTimer::singleShot(20, again, [&] {
                EXPECT_TRUE(again->isVisible());
                again->reject();
            });
            return;
        }
        again = qobject_cast<TExportDialog*>(modal);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(again->FileEdit->text().toStdString(), out);
        EXPECT_EQ(again->FormatBox->currentData().toInt(), int(TExportFormat::Float));
        // From outside this handler: the question that follows is a
        // modal of its own, handled next.
        QTimer::singleShot(0, again, [&] { QTest::mouseClick(again->OkButton, Qt::LeftButton); });
    });
    EXPECT_EQ(w->ExportRunning, nullptr);
    EXPECT_EQ(readBytes(out), exported);

    // The same scene saved as a playlist, through the command line.
    ASSERT_TRUE(w->SavePlaylist(dir.file("scene.pna")));
    const Sound a = readSound(out),
                b = Export(dir.file("cli.wav"),
                           {"--format", "float", "--seconds", "0.8", "--loop", "--hrtf",
                            hrtf ? "on" : "off", dir.file("scene.pna")})
                        .sound;
    ASSERT_EQ(a.samples.size(), b.samples.size());
    EXPECT_EQ(a.frames(), 0.8 * 44100);
    std::vector<float> difference(a.samples.size());
    std::transform(a.samples.begin(), a.samples.end(), b.samples.begin(), difference.begin(),
                   std::minus<>());
    EXPECT_LE(peak(difference), 1e-6f);
    // Channel 1 on the right, the stereo channel's balance to the left.
    EXPECT_GT(rms(a.samples, 0), 0.01);
    EXPECT_GT(rms(a.samples, 1, 0, 0.3), rms(a.samples, 0, 0, 0.3) * 0.9);
}

TEST_F(WindowExport, SelectedChannelsAloneWhenAskedAndCancelKeepsTheOldFile) {
    ASSERT_TRUE(w->LoadChannelFile(1, tone("left.wav", {1, 44100, 0.3, 500, 0.4}))); // selected
    ASSERT_TRUE(w->LoadChannelFile(2, tone("right.wav", {1, 44100, 0.3, 700, 0.4})));
    const std::string out = dir.file("old.flac");
    ASSERT_TRUE(WriteFileReplacing(out, "old"));
    w->ScrollBarX->setPosition(-50);
    Sources[2].Position = {2.5f, 0.f, 0.f};
    TExportOptions options;
    options.Format = TExportFormat::Float;
    for (const bool selectedOnly : {true, false}) {
        options.Output = dir.file(selectedOnly ? "selected.wav" : "all.wav");
        ASSERT_TRUE(w->StartExport(options, selectedOnly));
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 60000));
        const Sound s = readSound(options.Output);
        EXPECT_GT(rms(s.samples, 0), 0.05);
        // Channel 2, on the right, is only in the export of all channels.
        if (selectedOnly) {
            EXPECT_LT(rms(s.samples, 1), rms(s.samples, 0) / 4);
        } else {
            EXPECT_GT(rms(s.samples, 1), 0.05);
        }
    }
    // A long export cancelled leaves no file and keeps the old one.
    options.Output = out;
    options.Format = TExportFormat::Flac16;
    options.Loop = true;
    options.Seconds = 3600; // far longer than the test waits
    options.Force = true;   // as after the dialog's question
    ASSERT_TRUE(w->StartExport(options, false));
    QPointer<QProgressDialog> progress = w->ExportProgress;
    ASSERT_TRUE(progress);
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress->labelText().contains("残り"); }, 20000));
    // The temporary file is there while it renders.
    EXPECT_GT(entries(dir.path()).size(), 5u);
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    // The dialog goes at once; the child ends in the background.
    EXPECT_EQ(w->ExportProgress, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !progress || !progress->isVisible(); }));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 10000));
    EXPECT_EQ(w->ExportReport, "キャンセルしました。");
    // A program that cannot be started is told at once, and nothing runs.
    w->ExportProgram = QString::fromStdString(dir.file("no-such-program"));
    EXPECT_FALSE(w->StartExport(options, false));
    EXPECT_EQ(w->ExportRunning, nullptr);
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しを開始できません"))
        << w->ExportReport.toStdString();
    QApplication::processEvents(); // the message box shows and is closed with the window
    EXPECT_EQ(readBytes(out), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(entries(dir.path()),
              (Names{"all.wav", "left.wav", "old.flac", "right.wav", "selected.wav"}));
}

// The child speaks the window's language: its summary, its reasons, and a
// file that is there is a question, never the command line's flag.
TEST_F(WindowExport, TheChildSpeaksTheWindowsLanguageAndAsksBeforeReplacing) {
    const std::string gone = tone("gone.wav", {1, 44100, 0.2, 500, 0.4});
    ASSERT_TRUE(w->LoadChannelFile(1, tone("a.wav", {1, 44100, 0.2, 400, 0.4})));
    ASSERT_TRUE(w->LoadChannelFile(2, gone));
    struct Restore {
        ~Restore() { ApplyLanguage(TLanguage::Japanese); }
    } restore;
    const struct {
        TLanguage language;
        const char *asks, *done, *summary, *failed, *noFolder;
    } rows[] = {
        {TLanguage::English, "Replace it?", "Exported", ", true peak ", "no sound file",
         ": no such file or folder"},
        {TLanguage::Japanese, "置き換えますか?", "書き出しました", "、トゥルーピーク ",
         "開けません", "に書き込めません: ファイルまたはフォルダがありません"},
    };
    TExportOptions options;
    options.Format = TExportFormat::Float;
    options.Output = dir.file("there.wav");
    for (const auto& row : rows) {
        ApplyLanguage(row.language);
        ASSERT_TRUE(WriteFileReplacing(options.Output, "old"));
        ASSERT_TRUE(w->StartExport(options, true)); // channel 1, without Force
        QPointer<QMessageBox> question;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (question = w->findChild<QMessageBox*>()) && question->isVisible(); },
            60000));
        EXPECT_TRUE(question->text().contains(row.asks)) << question->text().toStdString();
        EXPECT_FALSE(question->text().contains("--force"));
        EXPECT_EQ(readBytes(options.Output), (Bytes{'o', 'l', 'd'}));
        question->button(QMessageBox::Yes)->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->ExportRunning && !w->ExportReport.isEmpty(); },
                                    60000));
        EXPECT_TRUE(w->ExportReport.startsWith(row.done)) << w->ExportReport.toStdString();
        EXPECT_TRUE(w->ExportReport.contains(row.summary)) << w->ExportReport.toStdString();
        EXPECT_GT(readSound(options.Output).frames(), 0u);
        for (QMessageBox* box : w->findChildren<QMessageBox*>())
            delete box;
        // The child's own reason: channel 2's file went away.
        std::filesystem::rename(gone, gone + ".away");
        SelectOnlyChannel(2);
        ASSERT_TRUE(w->StartExport(options, true));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->ExportRunning; }, 60000));
        EXPECT_TRUE(w->ExportReport.contains(row.failed)) << w->ExportReport.toStdString();
        std::filesystem::rename(gone + ".away", gone);
        SelectOnlyChannel(1);
        // A folder that is not there: the system's reason in the same words.
        TExportOptions nowhere = options;
        nowhere.Output = dir.file("missing/x.wav");
        ASSERT_TRUE(w->StartExport(nowhere, true));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w->ExportRunning; }, 60000));
        EXPECT_TRUE(w->ExportReport.contains(row.noFolder)) << w->ExportReport.toStdString();
        for (QMessageBox* box : w->findChildren<QMessageBox*>())
            delete box;
    }
}

// The window's export renders what the window plays: a controller's gain and
// mute, the room "Off", the reverb level, a stereo channel's place. The
// window's device is swapped for a loopback device of the same rate, so
// that what plays can be rendered; all under a comma-decimal locale, which
// the window shows and its child does not use.
TEST_F(WindowExport, TheFileIsWhatPlaysWithGainMuteAndTheRoomOff) {
    const std::string& locales = CommaLocaleFolder();
    if (locales.empty())
        GTEST_SKIP() << "localedef or the locale sources (package locales) are missing";
    qputenv("LOCPATH", QByteArray::fromStdString(locales));
    qputenv("LC_ALL", CommaLocaleName); // for the child
    const ScopedLocale comma(QLocale(QLocale::German), CommaLocaleName);
    struct Restore {
        ~Restore() {
            qunsetenv("LC_ALL");
            qunsetenv("LOCPATH");
        }
    } restore;

    BASS_Free();
    // As the export renders: without OpenAL Soft's limiter, whose look-ahead
    // delays the sound (the export limits after the mix; nothing here is loud
    // enough for it).
    ASSERT_TRUE(
        AUDIOLIB_InitLoopbackFlags(44100, AUDIOLIB_HRTF_OFF, -1, 2, AUDIOLIB_LOOPBACK_NOLIMITER));
    ASSERT_TRUE(w->LoadChannelFile(1, tone("right.wav", {1, 44100, 0.5, 500, 0.4})));
    ASSERT_TRUE(w->LoadChannelFile(2, tone("muted.wav", {1, 44100, 0.5, 700, 0.4})));
    ASSERT_TRUE(w->LoadChannelFile(3, tone("stereo.wav", {2, 44100, 0.5, 300, 0.4})));
    PlaceSource(1, {1.5f, 0.f, 0.5f}, TPanRule::FromX());
    PlaceSource(2, {-2.f, 0.f, 0.f}, TPanRule::FromX());
    PlaceSource(3, {-1.5f, 0.5f, 1.f}, TPanRule::FromX());
    w->TrackBar1->setValue(10);
    w->ComboBox1->setCurrentIndex(3); // a room first, then "Off" as the user leaves it
    w->ComboBox1->setCurrentIndex(0);
    // As a controller sets them.
    w->StartRemoteControl();
    ASSERT_NE(w->Remote, nullptr);
    w->Remote->onCommand({remote::Verb::Gain, 1, 0.5, {}});
    w->Remote->onCommand({remote::Verb::Mute, 2, 1, {}});
    ASSERT_EQ(ChannelLevels[1].Gain, 0.5f);
    w->StartPlayback(false, [](int) { return true; });
    const std::vector<float> heard = render(0.75);

    TExportOptions options;
    options.Format = TExportFormat::Float;
    options.Output = dir.file("heard.wav");
    options.Seconds = 0.75;
    ASSERT_TRUE(w->StartExport(options, false));
    int progressed = 0;
    QObject::connect(w->ExportRunning, &TExportJob::progressed, w->ExportRunning,
                     [&] { ++progressed; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 60000));
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しました")) << w->ExportReport.toStdString();
    EXPECT_TRUE(w->ExportReport.contains("0,75 秒")) << w->ExportReport.toStdString();
    EXPECT_GT(progressed, 0);

    const Sound file = readSound(options.Output);
    ASSERT_EQ(file.samples.size(), heard.size());
    std::vector<float> difference(heard.size());
    std::transform(heard.begin(), heard.end(), file.samples.begin(), difference.begin(),
                   std::minus<>());
    EXPECT_LE(peak(difference), 1e-6f);
    // Something was heard on both sides: channel 1 at the right, the
    // stereo channel's balance to the left.
    EXPECT_GT(rms(heard, 0, 0, 0.5), 0.01);
    EXPECT_GT(rms(heard, 1, 0, 0.5), 0.01);
}

// The dialog takes the typed extension for the format, and says so when the
// two differ; closing the window during an export asks first, and the
// window never waits for the child.
TEST_F(WindowExport, TypedExtensionsAndClosingDuringAnExport) {
    ASSERT_TRUE(w->LoadChannelFile(1, tone("a.wav", {1, 44100, 0.3, 500, 0.4})));
    w->RepaintGrid();
    QString warning;
    exportFromMenu(2, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            warning = box->text();
            box->accept();
            return;
        }
        auto* d = qobject_cast<TExportDialog*>(modal);
        ASSERT_NE(d, nullptr);
        d->FormatBox->setCurrentIndex(d->FormatBox->findData(int(TExportFormat::Wav24)));
        d->FileEdit->clear();
        QTest::keyClicks(d->FileEdit, QString::fromStdString(dir.file("mix.flac")));
        EXPECT_EQ(d->FormatBox->currentData().toInt(), int(TExportFormat::Flac16));
        QTest::keyClicks(d->FileEdit, ".wav"); // mix.flac.wav: a WAV again
        EXPECT_EQ(d->FormatBox->currentData().toInt(), int(TExportFormat::Wav16));
        d->FormatBox->setCurrentIndex(d->FormatBox->findData(int(TExportFormat::Ogg)));
        QTimer::singleShot(0, d, [d] {
            QTest::mouseClick(d->OkButton, Qt::LeftButton); // the warning, handled next
            QTimer::singleShot(0, d, [d] {
                EXPECT_TRUE(d->isVisible()) << "the dialog stays for a new choice";
                d->reject();
            });
        });
    });
    EXPECT_TRUE(warning.contains(".wav") && warning.contains("Ogg Vorbis"))
        << warning.toStdString();
    EXPECT_EQ(w->ExportRunning, nullptr);
    EXPECT_EQ(entries(dir.path()), (Names{"a.wav"}));

    // A long export: closing asks; "No" keeps both, "Yes" ends the export,
    // whose child removes its file.
    TExportOptions options;
    options.Output = dir.file("long.flac");
    options.Format = TExportFormat::Flac16;
    options.Layout = TExportLayout::Surround51;
    options.Loop = true;
    options.Seconds = 3600;
    const Names before = entries(dir.path());
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        if (!w->ExportRunning) {
            ASSERT_TRUE(w->StartExport(options, false));
        }
        QString question;
        HandleModals([&] { w->close(); },
                     [&](QWidget* modal) {
                         auto* box = qobject_cast<QMessageBox*>(modal);
                         ASSERT_NE(box, nullptr);
                         question = box->text();
                         box->button(answer)->click();
                     });
        EXPECT_TRUE(question.contains("書き出し中")) << question.toStdString();
        EXPECT_EQ(w->isVisible(), answer == QMessageBox::No);
        ASSERT_NE(w->ExportRunning, nullptr);
        EXPECT_EQ(w->ExportRunning->cancelled(), answer == QMessageBox::Yes);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 10000));
    EXPECT_EQ(w->ExportReport, "キャンセルしました。");
    EXPECT_EQ(entries(dir.path()), before);

    // The dialog starts from the last layout; FLAC cannot hold AmbiX's second
    // order, and the dialog says so instead of starting.
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    w->RepaintGrid();
    ASSERT_TRUE(w->ExportAction->isEnabled());
    QString refused;
    exportFromMenu(2, [&](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            refused = box->text();
            box->accept();
            return;
        }
        auto* d = qobject_cast<TExportDialog*>(modal);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->LayoutBox->currentData().toInt(), int(TExportLayout::Surround51));
        d->LayoutBox->setCurrentIndex(d->LayoutBox->findData(int(TExportLayout::Ambix2)));
        QTimer::singleShot(0, d, [d] {
            QTest::mouseClick(d->OkButton, Qt::LeftButton);
            QTimer::singleShot(0, d, [d] { d->reject(); });
        });
    });
    EXPECT_TRUE(refused.contains("FLAC 16 bit") && refused.contains("AmbiX"))
        << refused.toStdString();
    EXPECT_EQ(w->ExportRunning, nullptr);

    // A child that does not answer holds up neither the window's end nor
    // anything else: it is left to end on its own.
    const std::string stubborn = dir.file("stubborn.sh");
    ASSERT_TRUE(WriteFileReplacing(stubborn, "#!/bin/sh\ntrap '' TERM\nexec sleep 5\n"));
    ::chmod(stubborn.c_str(), 0755);
    w->ExportProgram = QString::fromStdString(stubborn);
    w->show();
    ASSERT_TRUE(w->StartExport(options, false));
    QElapsedTimer clock;
    clock.start();
    w.reset();
    EXPECT_LT(clock.elapsed(), 2000) << "the window waited for its export";
}

} // namespace
