// Export as users meet it: the program run with --export on a machine without
// display or sound card, and the window's export, which runs the same program
// as a child while the window and its playback go on. The files written are
// read back and measured.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <cmath>
#include <csignal>
#include <ebur128.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>

#include "Modal.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "export/ExportDialog.h"
#include "export/ExportJob.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"
#include "widgets/ScrollBar.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ToneSpec;
using testsupport::Wave;

struct TRun {
    int status = -1;
    std::string out, err;
};

QString Program() {
    return QCoreApplication::applicationDirPath() + "/phonaraplayer";
}

// The program as on a server: no display, no sound card, not a terminal.
TRun RunProgram(const std::vector<std::string>& args,
                const std::function<void()>& inChild = nullptr) {
    QProcess child;
    if (inChild)
        child.setChildProcessModifier(inChild);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("ALSOFT_DRIVERS", "no-such-driver");
    child.setProcessEnvironment(env);
    QStringList list;
    for (const std::string& a : args)
        list << QString::fromStdString(a);
    child.start(Program(), list);
    child.waitForFinished(120000);
    return {child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1,
            child.readAllStandardOutput().toStdString(),
            child.readAllStandardError().toStdString()};
}

struct Sound {
    SF_INFO info{};
    std::vector<float> samples; // interleaved stereo
    double seconds() const { return info.samplerate ? double(info.frames) / info.samplerate : 0; }
};

Sound ReadSound(const std::string& path) {
    Sound s;
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &s.info);
    if (!f)
        return s;
    s.samples.resize(static_cast<size_t>(s.info.frames * s.info.channels));
    sf_readf_float(f, s.samples.data(), s.info.frames);
    sf_close(f);
    return s;
}

double Rms(const Sound& s, int channel, double from = 0, double to = 1e9) {
    const size_t a = std::min<size_t>(s.info.frames, size_t(from * s.info.samplerate));
    const size_t b = std::min<size_t>(s.info.frames, size_t(to * s.info.samplerate));
    double sum = 0;
    for (size_t i = a; i < b; ++i)
        sum += double(s.samples[2 * i + channel]) * s.samples[2 * i + channel];
    return b > a ? std::sqrt(sum / double(b - a)) : 0;
}

// Share of the energy above about 4 kHz (the first difference weighs highs).
double Brightness(const Sound& s, int channel) {
    double all = 0, high = 0;
    for (size_t i = 1; i < size_t(s.info.frames); ++i) {
        const double v = s.samples[2 * i + channel], d = v - s.samples[2 * (i - 1) + channel];
        all += v * v;
        high += d * d;
    }
    return all > 0 ? high / all : 0;
}

struct Loudness {
    double lufs = -HUGE_VAL, truePeakDb = -HUGE_VAL;
};

Loudness Measure(const Sound& s) {
    ebur128_state* st =
        ebur128_init(2, unsigned(s.info.samplerate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(st, s.samples.data(), size_t(s.info.frames));
    Loudness l;
    ebur128_loudness_global(st, &l.lufs);
    double peak = 0;
    for (unsigned c = 0; c < 2; ++c) {
        double p = 0;
        ebur128_true_peak(st, c, &p);
        peak = std::max(peak, p);
    }
    l.truePeakDb = 20 * std::log10(peak);
    ebur128_destroy(&st);
    return l;
}

std::string Playlist(const std::string& path, int reverb, int environment,
                     const std::vector<TPlaylistChannel>& channels) {
    EXPECT_TRUE(WriteFileReplacing(path, FormatPlaylist(reverb, environment, channels)));
    return path;
}

std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class CommandLineExport : public ::testing::Test {
protected:
    testsupport::TempDir dir;
};

TEST_F(CommandLineExport, MonoSourceOnTheRightInEveryFormatAndTheReverbTail) {
    const std::string tone = dir.file("tone.wav");
    ASSERT_TRUE(testsupport::writeTone(tone, ToneSpec{1, 44100, 0.5, 440.0, 0.5}));
    const std::string dry = Playlist(dir.file("dry.pna"), 0, 0, {{2.5f, 0, 0, tone}});
    const struct {
        const char* name;
        std::vector<std::string> extra;
        int format, rate;
    } table[] = {
        {"a.wav", {}, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100},
        {"b.wav",
         {"--format", "wav24", "--rate", "48000"},
         SF_FORMAT_WAV | SF_FORMAT_PCM_24,
         48000},
        {"c.wav", {"--format", "float"}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100},
        {"d.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100},
        {"e.flac", {"--format", "flac24"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100},
        {"f.ogg", {"--quality", "2"}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
    };
    for (const auto& row : table) {
        std::vector<std::string> args{"--export", dir.file(row.name)};
        args.insert(args.end(), row.extra.begin(), row.extra.end());
        args.push_back(dry);
        const TRun run = RunProgram(args);
        ASSERT_EQ(run.status, 0) << row.name << ": " << run.err;
        // Not a terminal: the summary and nothing else.
        EXPECT_NE(run.out.find("LUFS"), std::string::npos) << run.out;
        EXPECT_EQ(run.err, "") << row.name;
        const Sound s = ReadSound(dir.file(row.name));
        EXPECT_EQ(s.info.format, row.format) << row.name;
        EXPECT_EQ(s.info.samplerate, row.rate) << row.name;
        EXPECT_EQ(s.info.channels, 2) << row.name;
        // The file's length: no reverb, so no tail beyond a block or two.
        EXPECT_GE(s.seconds(), 0.49) << row.name;
        EXPECT_LE(s.seconds(), 0.56) << row.name;
        EXPECT_GT(Rms(s, 1), 0.05) << row.name;
        EXPECT_GT(Rms(s, 1), 4 * Rms(s, 0)) << row.name;
    }
    // A playlist is read to its end, as the window reads it: its file may
    // come after more than a megabyte of comments.
    std::string big;
    for (int i = 0; i < 70000; ++i)
        big += "#EXTINF:1,comment\n";
    ASSERT_TRUE(
        WriteFileReplacing(dir.file("big.pna"), big + FormatPlaylist(0, 0, {{2.5f, 0, 0, tone}})));
    const TRun late = RunProgram({"--export", dir.file("big.wav"), dir.file("big.pna")});
    ASSERT_EQ(late.status, 0) << late.err;
    const Sound b = ReadSound(dir.file("big.wav"));
    EXPECT_GT(Rms(b, 1), 4 * Rms(b, 0));
    // Reverb at full level rings on after the file; at 0 nothing follows it.
    const TRun wet = RunProgram({"--export", dir.file("wet.wav"),
                                 Playlist(dir.file("wet.pna"), 20, 0, {{2.5f, 0, 0, tone}})});
    ASSERT_EQ(wet.status, 0) << wet.err;
    const Sound w = ReadSound(dir.file("wet.wav"));
    const Sound d = ReadSound(dir.file("a.wav"));
    EXPECT_GT(w.seconds(), 0.8);
    EXPECT_GT(Rms(w, 0, 0.6, 0.8) + Rms(w, 1, 0.6, 0.8), 1e-3);
    EXPECT_EQ(Rms(d, 0, 0.56) + Rms(d, 1, 0.56), 0.0);
}

TEST_F(CommandLineExport, HeadphoneThreeDTellsFrontFromBehind) {
    const std::string noise = dir.file("noise.wav");
    ASSERT_TRUE(testsupport::writeTone(noise, ToneSpec{1, 44100, 0.4, 0, 0.3, Wave::Noise}));
    auto render = [&](const char* name, float z, const char* hrtf) {
        const std::string list =
            Playlist(dir.file(std::string(name) + ".pna"), 0, 0, {{0.f, 0.f, z, noise}});
        const TRun run =
            RunProgram({"--export", dir.file(name), "--format", "float", "--hrtf", hrtf, list});
        EXPECT_EQ(run.status, 0) << run.err;
        return ReadSound(dir.file(name));
    };
    const Sound front = render("front.wav", 2.f, "on"), behind = render("behind.wav", -2.f, "on");
    ASSERT_GT(Rms(front, 0), 0.01);
    ASSERT_GT(Rms(behind, 0), 0.01);
    // The pinnae shade sound from behind: its spectrum differs clearly.
    const double ratio = Brightness(front, 0) / Brightness(behind, 0);
    EXPECT_TRUE(ratio > 1.15 || ratio < 1 / 1.15) << ratio;
    // Without it, the two differ in level at most, not in colour.
    const double plain = Brightness(render("front0.wav", 2.f, "off"), 0) /
                         Brightness(render("behind0.wav", -2.f, "off"), 0);
    EXPECT_NEAR(plain, 1.0, 0.03);
}

TEST_F(CommandLineExport, NormalisingReachesTheTargetOrStopsAtTheCeiling) {
    const std::string noise = dir.file("noise.wav");
    ASSERT_TRUE(testsupport::writeTone(noise, ToneSpec{1, 44100, 1.0, 0, 0.05, Wave::Noise}));
    const std::string list = Playlist(dir.file("n.pna"), 0, 0, {{0.f, 0.f, 1.f, noise}});
    for (double target : {-16.0, -23.0}) {
        const std::string out = dir.file("n" + std::to_string(int(-target)) + ".flac");
        const TRun run = RunProgram(
            {"--export", out, "--format", "flac24", "--normalize", std::to_string(target), list});
        ASSERT_EQ(run.status, 0) << run.err;
        const Loudness l = Measure(ReadSound(out));
        EXPECT_NEAR(l.lufs, target, 0.5) << run.out;
        EXPECT_EQ(run.out.find("ceiling"), std::string::npos) << run.out;
    }
    // Short clicks: loud peaks, little loudness. The gain stops at -1 dBTP.
    const std::string clicks = dir.file("click.wav");
    ASSERT_TRUE(testsupport::writeTone(clicks, ToneSpec{1, 44100, 1.0, 0, 0.5, Wave::Click}));
    const std::string out = dir.file("limited.wav");
    const TRun run = RunProgram({"--export", out, "--format", "float", "--normalize", "-5",
                                 Playlist(dir.file("c.pna"), 0, 0, {{0.f, 0.f, 1.f, clicks}})});
    ASSERT_EQ(run.status, 0) << run.err;
    const Loudness l = Measure(ReadSound(out));
    EXPECT_NEAR(l.truePeakDb, -1.0, 0.1);
    EXPECT_LT(l.lufs, -5.5);
    EXPECT_NE(run.out.find("-1 dBTP ceiling"), std::string::npos) << run.out;
}

TEST_F(CommandLineExport, FailuresLeaveOldFilesAndSayWhy) {
    const std::string tone = dir.file("tone.wav");
    ASSERT_TRUE(testsupport::writeTone(tone));
    const std::string list = Playlist(dir.file("s.pna"), 0, 0, {{0.f, 0.f, 0.f, tone}});
    ASSERT_TRUE(WriteFileReplacing(dir.file("old.wav"), "old"));
    const std::string empty =
        Playlist(dir.file("none.pna"), 0, 0, {{0.f, 0.f, 0.f, "/no/such.wav"}});
    const struct {
        std::vector<std::string> args;
        int status;
        const char* says;
    } table[] = {
        {{"--export", dir.path() + "/missing/x.wav", list}, 1, "cannot write"},
        {{"--export", tone + "/x.wav", list}, 1, "cannot write"}, // the folder is a file
        {{"--export", dir.file("old.wav"), empty}, 1, "no sound file"},
        {{"--export", dir.file("old.wav"), dir.file("absent.pna")}, 1, "no playlist"},
        {{"--export", dir.file("old.wav"), "--bogus", list}, 2, "Unknown option"},
        {{"--export", dir.file("old.wav"), "--loop", list}, 2, "--seconds"},
    };
    for (const auto& row : table) {
        const TRun run = RunProgram(row.args);
        EXPECT_EQ(run.status, row.status) << row.args[1];
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(testsupport::readBytes(dir.file("old.wav")),
              (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(Entries(dir.path()),
              (std::vector<std::string>{"none.pna", "old.wav", "s.pna", "tone.wav"}));
    // A write that fails half-way (here: a file size limit; a full disk
    // fails the same way) leaves nothing behind either.
    const TRun big = RunProgram(
        {"--export", dir.file("old.wav"), "--format", "float", "--seconds", "5", list}, [] {
            const rlimit limit{200000, 200000};
            setrlimit(RLIMIT_FSIZE, &limit);
            signal(SIGXFSZ, SIG_IGN);
        });
    EXPECT_EQ(big.status, 1);
    EXPECT_NE(big.err.find("cannot write " + dir.file("old.wav") + ": File too large"),
              std::string::npos)
        << big.err;
    EXPECT_EQ(testsupport::readBytes(dir.file("old.wav")),
              (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(Entries(dir.path()),
              (std::vector<std::string>{"none.pna", "old.wav", "s.pna", "tone.wav"}));
    const TRun help = RunProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--normalize"), std::string::npos);
}

class WindowExport : public RealProgramTest {
protected:
    testsupport::TempDir dir;
    void SetUp() override {
        RealProgramTest::SetUp();
        w->ExportProgram = Program();
    }
};

TEST_F(WindowExport, DialogExportEqualsTheCommandLinesWhilePlaybackGoesOn) {
    EXPECT_FALSE(w->Export1->isEnabled()); // nothing loaded
    const std::string mono = dir.file("mono.wav"), stereo = dir.file("stereo.wav");
    ASSERT_TRUE(testsupport::writeTone(mono, ToneSpec{1, 44100, 0.3, 500, 0.4}));
    ASSERT_TRUE(testsupport::writeTone(stereo, ToneSpec{2, 44100, 0.5, 300, 0.4}));
    ASSERT_TRUE(w->LoadChannelFile(1, mono));
    ASSERT_TRUE(w->LoadChannelFile(2, stereo));
    w->ScrollBarX->setPosition(30); // channel 1, the selected one, to the right
    Sources[2].Position = {-1.5f, 0.5f, 1.f};
    w->TrackBar1->setValue(8);
    w->LoopButtonClick(); // channel 1 loops on the live device
    w->RepaintGrid();
    ASSERT_TRUE(w->Export1->isEnabled());

    const std::string out = dir.file("window.wav");
    bool hrtf = false;
    const int dialogs = testsupport::HandleModals(
        [&] { w->Export1->trigger(); },
        [&](QWidget* modal) {
            auto* d = qobject_cast<TExportDialog*>(modal);
            ASSERT_NE(d, nullptr);
            // A channel loops now: so does the export, for a length.
            EXPECT_TRUE(d->LoopCheck->isChecked());
            EXPECT_EQ(d->SecondsSpin->value(), 60.0);
            EXPECT_TRUE(d->SelectedChannels->isEnabled());
            d->SecondsSpin->setValue(0.8);
            d->FormatBox->setCurrentIndex(d->FormatBox->findData(int(TExportFormat::Float)));
            d->FileEdit->setText(QString::fromStdString(out));
            hrtf = d->HrtfCheck->isChecked();
            QTest::mouseClick(d->OkButton, Qt::LeftButton);
        });
    EXPECT_EQ(dialogs, 1);
    ASSERT_NE(w->ExportRunning, nullptr);
    EXPECT_FALSE(w->Export1->isEnabled()); // one export at a time
    QTRY_VERIFY_WITH_TIMEOUT(w->ExportRunning == nullptr, 60000);
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しました")) << w->ExportReport.toStdString();
    EXPECT_EQ(BASS_ChannelIsActive(Sources[1].Handle), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(w->Export1->isEnabled());

    // The same scene saved as a playlist, through the command line.
    ASSERT_TRUE(w->SavePlaylist(dir.file("scene.pna")));
    const TRun run =
        RunProgram({"--export", dir.file("cli.wav"), "--format", "float", "--seconds", "0.8",
                    "--loop", "--hrtf", hrtf ? "on" : "off", dir.file("scene.pna")});
    ASSERT_EQ(run.status, 0) << run.err;
    const Sound a = ReadSound(out), b = ReadSound(dir.file("cli.wav"));
    ASSERT_EQ(a.info.frames, b.info.frames);
    EXPECT_EQ(a.info.frames, 0.8 * 44100);
    float worst = 0;
    for (size_t i = 0; i < a.samples.size(); ++i)
        worst = std::max(worst, std::fabs(a.samples[i] - b.samples[i]));
    EXPECT_LE(worst, 1e-6f);
    // Channel 1 on the right, the stereo channel's balance to the left.
    EXPECT_GT(Rms(a, 0), 0.01);
    EXPECT_GT(Rms(a, 1, 0, 0.3), Rms(a, 0, 0, 0.3) * 0.9);
}

TEST_F(WindowExport, CancelLeavesNoFileAndKeepsTheOldOne) {
    const std::string tone = dir.file("tone.wav");
    ASSERT_TRUE(testsupport::writeTone(tone));
    ASSERT_TRUE(w->LoadChannelFile(1, tone));
    const std::string out = dir.file("old.flac");
    ASSERT_TRUE(WriteFileReplacing(out, "old"));
    TExportOptions options;
    options.Output = out;
    options.Format = TExportFormat::Flac16;
    options.Loop = true;
    options.Seconds = 3600; // far longer than the test waits
    ASSERT_TRUE(w->StartExport(options, false));
    QPointer<QProgressDialog> progress = w->ExportProgress;
    ASSERT_TRUE(progress);
    QTRY_VERIFY_WITH_TIMEOUT(progress->labelText().contains("残り"), 20000);
    // The temporary file is there while it renders.
    EXPECT_GT(Entries(dir.path()).size(), 2u);
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    // The dialog goes at once; the child ends in the background.
    EXPECT_EQ(w->ExportProgress, nullptr);
    QTRY_VERIFY(!progress || !progress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(w->ExportRunning == nullptr, 10000);
    EXPECT_EQ(w->ExportReport, "キャンセルしました。");
    // A program that cannot be started is told at once, and nothing runs.
    w->ExportProgram = QString::fromStdString(dir.file("no-such-program"));
    EXPECT_FALSE(w->StartExport(options, false));
    EXPECT_EQ(w->ExportRunning, nullptr);
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しを開始できません"))
        << w->ExportReport.toStdString();
    QApplication::processEvents(); // the message box shows and is closed with the window
    EXPECT_EQ(testsupport::readBytes(out), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"old.flac", "tone.wav"}));
}

TEST_F(WindowExport, SelectedChannelsAloneWhenAsked) {
    const std::string left = dir.file("left.wav"), right = dir.file("right.wav");
    ASSERT_TRUE(testsupport::writeTone(left, ToneSpec{1, 44100, 0.3, 500, 0.4}));
    ASSERT_TRUE(testsupport::writeTone(right, ToneSpec{1, 44100, 0.3, 700, 0.4}));
    ASSERT_TRUE(w->LoadChannelFile(1, left)); // channel 1 is selected at start
    ASSERT_TRUE(w->LoadChannelFile(2, right));
    w->ScrollBarX->setPosition(-50);
    Sources[2].Position = {2.5f, 0.f, 0.f};
    TExportOptions options;
    options.Format = TExportFormat::Float;
    for (const bool selectedOnly : {true, false}) {
        options.Output = dir.file(selectedOnly ? "selected.wav" : "all.wav");
        ASSERT_TRUE(w->StartExport(options, selectedOnly));
        QTRY_VERIFY_WITH_TIMEOUT(w->ExportRunning == nullptr, 60000);
    }
    const Sound selected = ReadSound(dir.file("selected.wav")),
                all = ReadSound(dir.file("all.wav"));
    EXPECT_GT(Rms(selected, 0), 0.05);
    EXPECT_LT(Rms(selected, 1), Rms(selected, 0) / 4); // channel 2 is not in it
    EXPECT_GT(Rms(all, 1), 0.05);
    EXPECT_GT(Rms(all, 0), 0.05);
}

} // namespace
