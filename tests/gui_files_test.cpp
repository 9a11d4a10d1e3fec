// Where an export's file goes, tried through the program as a user runs it:
// over files that are there (only with --force), into FIFOs, to standard
// output by any name; and what the exports killed before left behind. Links
// and folders it may not write to are the file writer's (unit_atomicfile).
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "Modal.h"
#include "ProgramRun.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "export/ExportDialog.h"
#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Names = std::vector<std::string>;

std::string Text(const std::string& path) {
    const std::vector<unsigned char> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// A sound read back from bytes that went through a stream.
Sound SoundOfBytes(const TempDir& dir, const std::string& bytes) {
    const std::string path = dir.file("streamed.bytes");
    EXPECT_TRUE(writeBytes(path, std::vector<unsigned char>(bytes.begin(), bytes.end())));
    Sound s = readSound(path);
    fs::remove(path);
    return s;
}

class ExportTargets : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writeTone(tone, {.seconds = 0.3}));
        ASSERT_TRUE(WriteFileReplacing(list, FormatPlaylist(0, 0, {{1, 0, 0, tone}})));
    }
    ProgramRun exportTo(const std::string& out, const Names& extra = {},
                        const ProgramSetup& setup = {}) {
        Names args = {"--export", out};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(list);
        return RunPhonara(args, setup);
    }
    TempDir dir;
    const std::string tone = dir.file("tone.wav"), list = dir.file("scene.pna");
};

TEST_F(ExportTargets, EachKindOfOutThroughTheProgram) {
    const ProgramRun plain = exportTo(dir.file("plain.wav"));
    ASSERT_EQ(plain.status, 0) << plain.err;
    const Sound expected = readSound(dir.file("plain.wav"));
    ASSERT_GT(expected.frames(), 10000u);

    std::string fifoBytes, streamed;
    std::thread fifoReader;
    const struct {
        const char* what;
        std::function<std::string()> prepare; // OUT
        Names options;
        int status;
        std::string says; // on stderr
        std::function<void(const ProgramRun&)> check;
    } table[] = {
        {"a file of mode 640 without --force",
         [&] {
             EXPECT_TRUE(WriteFileReplacing(dir.file("old.wav"), "old"));
             ::chmod(dir.file("old.wav").c_str(), 0640);
             return dir.file("old.wav");
         },
         {},
         1,
         "exists already; --force (-f) replaces it",
         [&](const ProgramRun&) { EXPECT_EQ(Text(dir.file("old.wav")), "old"); }},
        {"the same with -f",
         [&] { return dir.file("old.wav"); },
         {"-f"},
         0,
         "",
         [&](const ProgramRun&) {
             EXPECT_EQ(readSound(dir.file("old.wav")).samples, expected.samples);
             EXPECT_EQ(Mode(dir.file("old.wav")), 0640u);
         }},
        {"a FIFO",
         [&] {
             EXPECT_EQ(::mkfifo(dir.file("fifo.wav").c_str(), 0644), 0);
             fifoReader = std::thread([&, path = dir.file("fifo.wav")] {
                 const int fd = ::open(path.c_str(), O_RDONLY);
                 char buf[65536];
                 for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
                     fifoBytes.append(buf, static_cast<size_t>(n));
                 ::close(fd);
             });
             return dir.file("fifo.wav");
         },
         {},
         0,
         "",
         [&](const ProgramRun&) {
             fifoReader.join();
             EXPECT_TRUE(fs::is_fifo(dir.file("fifo.wav")));
             EXPECT_EQ(fifoBytes.substr(0, 8), std::string("RIFF\xff\xff\xff\xff"));
             EXPECT_EQ(SoundOfBytes(dir, fifoBytes).samples, expected.samples);
         }},
        {"standard output as -",
         [] { return std::string("-"); },
         {},
         0,
         "-: 0.", // the summary goes beside the sound
         [&](const ProgramRun& run) {
             EXPECT_EQ(SoundOfBytes(dir, run.out).samples, expected.samples);
             streamed = run.out;
         }},
        {"a link to the descriptor, with --force",
         [&] {
             fs::create_symlink("/proc/self/fd/1", dir.file("out.wav"));
             return dir.file("out.wav");
         },
         {"--force"},
         0,
         "out.wav: 0.",
         [&](const ProgramRun& run) {
             EXPECT_EQ(run.out, streamed) << "nothing but the sound";
             EXPECT_TRUE(fs::is_symlink(dir.file("out.wav")));
         }},
        {"/dev/stdout",
         [] { return std::string("/dev/stdout"); },
         {},
         0,
         "/dev/stdout: 0.",
         [&](const ProgramRun& run) {
             EXPECT_TRUE(fs::is_symlink("/dev/stdout")) << "the device link is never replaced";
             EXPECT_EQ(SoundOfBytes(dir, run.out).samples, expected.samples);
         }},
        {"- as FLAC",
         [] { return std::string("-"); },
         {"--format", "flac16"},
         0,
         "-: 0.",
         [&](const ProgramRun& run) { EXPECT_EQ(run.out.substr(0, 4), "fLaC"); }},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        const ProgramRun run = exportTo(row.prepare(), row.options);
        EXPECT_EQ(run.status, row.status) << run.err;
        EXPECT_NE(run.err.find(row.says), std::string::npos) << run.err;
        row.check(run);
    }
    // No export left anything but its file.
    EXPECT_EQ(entries(dir.path()),
              (Names{"fifo.wav", "old.wav", "out.wav", "plain.wav", "scene.pna", "tone.wav"}));
}

// What an export killed with SIGKILL (or a crash of the window) left: the next
// export into that folder removes it, but not the file of an export that runs.
TEST_F(ExportTargets, TheNextExportRemovesWhatAKilledOneLeft) {
    const ProgramRun killed = RunPhonara(
        {"--export", dir.file("long.flac"), "--loop", "--seconds", "3600", list}, {.inChild = [] {
            // Killed once its file has grown past 100 kB.
            const rlimit limit{100000, 100000};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }});
    EXPECT_EQ(killed.status, -1) << "ended by SIGXFSZ";
    Names left = entries(dir.path());
    ASSERT_EQ(left.size(), 3u);
    EXPECT_TRUE(left[0].starts_with(".long.flac.export-")) << left[0];

    // A file as the export that runs now keeps it (this process is alive).
    const std::string running = ".other.wav.export-" + std::to_string(::getpid()) + "-Zz9Yy8";
    ASSERT_TRUE(writeBytes(dir.file(running), {'R'}));
    const ProgramRun next = exportTo(dir.file("next.wav"));
    EXPECT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(entries(dir.path()), (Names{running, "next.wav", "scene.pna", "tone.wav"}));
}

// Nothing reads the FIFO: the export waits for a reader, and a SIGTERM
// (caught, with SA_RESTART) still ends the wait as a cancel.
TEST_F(ExportTargets, AFifoWithoutAReaderWaitsUntilTheExportIsCancelled) {
    ASSERT_EQ(::mkfifo(dir.file("fifo.wav").c_str(), 0644), 0);
    QProcess child;
    child.start(ProgramPath(), {"--export", QString::fromStdString(dir.file("fifo.wav")),
                                QString::fromStdString(list)});
    ASSERT_TRUE(child.waitForStarted());
    // Once the export catches SIGTERM (it is about to wait, or waits).
    const auto catchesTerm = [pid = child.processId()] {
        const std::string status = Text("/proc/" + std::to_string(pid) + "/status");
        const size_t at = status.find("SigCgt:");
        return at != std::string::npos &&
               (std::stoull(status.substr(at + 7), nullptr, 16) >> (SIGTERM - 1) & 1);
    };
    ASSERT_TRUE(QTest::qWaitFor(catchesTerm, 30000));
    ::kill(static_cast<pid_t>(child.processId()), SIGTERM);
    const bool ended = child.waitForFinished(20000);
    if (!ended)
        child.kill();
    ASSERT_TRUE(ended) << "the wait for a reader went on";
    EXPECT_EQ(child.exitCode(), 130);
    EXPECT_NE(child.readAllStandardError().indexOf("export cancelled"), -1);
    EXPECT_EQ(entries(dir.path()), (Names{"fifo.wav", "scene.pna", "tone.wav"}));
}

// The window asks before its export replaces a file; the user's yes reaches
// the export, which replaces the file only then.
class WindowExportOverAFile : public RealProgramTest {
protected:
    TempDir dir;
};

TEST_F(WindowExportOverAFile, TheUsersYesLetsTheExportReplaceIt) {
    // The scene playlist a killed window left goes with the next export.
    TempDir temp;
    qputenv("TMPDIR", QByteArray::fromStdString(temp.path()));
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    ASSERT_TRUE(writeBytes(
        temp.file(".phonaraplayer-export.scene-" + std::to_string(gone) + "-Ab3dE9.pna"), {'x'}));
    ASSERT_TRUE(writeTone(dir.file("tone.wav")));
    ASSERT_TRUE(w->LoadChannelFile(1, dir.file("tone.wav")));
    w->RepaintGrid();
    w->ExportProgram = ProgramPath();
    const std::string out = dir.file("there.wav");
    ASSERT_TRUE(WriteFileReplacing(out, "old"));
    QPointer<TExportDialog> dialog;
    const int modals = HandleModals([&] { w->ExportAction->trigger(); },
                                    [&](QWidget* modal) {
                                        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                                            box->button(QMessageBox::Yes)->click();
                                            return;
                                        }
                                        dialog = qobject_cast<TExportDialog*>(modal);
                                        ASSERT_NE(dialog, nullptr);
                                        dialog->FileEdit->setText(QString::fromStdString(out));
                                        dialog->SecondsSpin->setValue(0.5);
                                        QTimer::singleShot(0, dialog, [&] {
                                            QTest::mouseClick(dialog->OkButton, Qt::LeftButton);
                                        });
                                    });
    EXPECT_EQ(modals, 2) << "the dialog and its question";
    ASSERT_NE(w->ExportRunning, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 60000));
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しました")) << w->ExportReport.toStdString();
    EXPECT_EQ(readSound(out).seconds(), 0.5);
    EXPECT_EQ(entries(temp.path()), Names{}) << "its own scene went too";
    qunsetenv("TMPDIR");
    for (QMessageBox* box : w->findChildren<QMessageBox*>())
        box->close();
}

} // namespace
