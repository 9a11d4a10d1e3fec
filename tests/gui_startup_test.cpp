// The start as a user meets it: without a display, with files that are not
// there or are no sound, with the auto-save's drive unplugged; and the way
// out of a save that hangs.
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Modal.h"
#include "ProgramRun.h"
#include "ProgramTest.h"
#include "SoundFiles.h"
#include "app/CommandLine.h"
#include "app/WindowStart.h"
#include "playlist/PlaylistFile.h"

namespace {

namespace fs = std::filesystem;
using namespace testsupport;

TEST(StartWithoutDisplay, SaysSoAndEndsWithStatusOne) {
    // None named, or one named whose server is not there (Qt would abort).
    for (const QString display : {"", ":987"}) {
        const ProgramRun run = RunPhonara({}, {.env = {{"DISPLAY", display}}, .timeoutMs = 30000});
        EXPECT_EQ(run.status, 1) << display.toStdString();
        EXPECT_EQ(run.err, "phonaraplayer: no display; --export works without one\n");
    }
}

// A copy of the program in a folder of its own (its auto-save goes beside
// it), started on the offscreen platform and the null output.
class StartedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(folder);
        fs::copy_file(ProgramPath().toStdString(), program);
    }
    void start(const QStringList& arguments) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("ALSOFT_DRIVERS", "null");
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.file("config")));
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(program), arguments);
        ASSERT_TRUE(process.waitForStarted());
    }
    // Waits until stderr holds text; everything read so far.
    std::string waitForError(const std::string& text) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                err += process.readAllStandardError().toStdString();
                return err.find(text) != std::string::npos ||
                       process.state() == QProcess::NotRunning;
            },
            30000));
        return err;
    }
    // The exit status of a normal end, -1 for an end by signal or none.
    int exitStatus() {
        if (!process.waitForFinished(30000))
            return -2;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void signal(int sig) { ::kill(static_cast<pid_t>(process.processId()), sig); }

    TempDir dir;
    const std::string folder = dir.file("program"), program = folder + "/phonaraplayer";
    const std::string autoSave = folder + "/PNAPini.pna";
    QProcess process;
    std::string err;
};

// A start file that does not open is named with the reason; an auto-save
// whose drive is gone names the folder that is missing, and stays as it was.
TEST_F(StartedProgram, TheWordAboutFilesNamesThemAndWhy) {
    const std::string missing = dir.file("gone.wav"), text = dir.file("notes.wav");
    ASSERT_TRUE(writeBytes(text, {'h', 'e', 'l', 'l', 'o'}));
    start({QString::fromStdString(missing), QString::fromStdString(text)});
    EXPECT_NE(waitForError("notes.wav")
                  .find("gone.wav: ファイルを開けないか、読み込めません\n"
                        "notes.wav: サウンドファイルではないか、対応していない形式です"),
              std::string::npos)
        << err;
    signal(SIGTERM); // closes the message, then the window
    EXPECT_EQ(exitStatus(), 0);

    const std::string drive = dir.file("usb");
    const std::string arrangement = "#PNAPEffect 0,0\r\n#PNAPParam 1,0,0\r\n" + drive +
                                    "/set/a.wav\r\n" + drive + "/set/b.wav\r\n";
    ASSERT_TRUE(WriteFileReplacing(autoSave, arrangement));
    err.clear();
    start({});
    EXPECT_NE(waitForError("usb").find("フォルダー " + drive + " がありません。"),
              std::string::npos)
        << err;
    EXPECT_EQ(err.find("set/a.wav"), std::string::npos) << "the folder, not each file";
    signal(SIGTERM);
    EXPECT_EQ(exitStatus(), 0);
    std::string kept;
    EXPECT_EQ(ReadFileHead(autoSave, kept), TReadResult::Ok);
    EXPECT_EQ(kept, arrangement);
}

// A save that hangs (here: the auto-save is a FIFO whose reader reads
// nothing) ends at the third Ctrl+C, and not before.
TEST_F(StartedProgram, TheThirdCtrlCEndsAHungSave) {
    // Enough channels with long names to fill a small pipe.
    QStringList sounds;
    for (int i = 0; i < 20; ++i) {
        const std::string sound = dir.file(std::string(240, char('a' + i)) + ".wav");
        ASSERT_TRUE(writeTone(sound, {.seconds = 0.05}));
        sounds << QString::fromStdString(sound);
    }
    ASSERT_EQ(::mkfifo(autoSave.c_str(), 0644), 0);
    const int reader = ::open(autoSave.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    ASSERT_EQ(::fcntl(reader, F_SETPIPE_SZ, 4096), 4096);
    start(sounds);
    const std::string fds = "/proc/" + std::to_string(process.processId()) + "/fd";
    const auto opened = [&](const std::string& path) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator(fds, ec))
            if (fs::read_symlink(fd.path(), ec) == path)
                return true;
        return false;
    };
    // Each signal is taken in (no longer pending) before the next is sent:
    // two sent at once would arrive as one.
    const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
    const auto pending = [&] {
        std::ifstream in(status);
        std::string all, line;
        while (std::getline(in, line))
            if (line.starts_with("SigPnd:") || line.starts_with("ShdPnd:"))
                all += line.substr(7);
        return all.find_first_not_of("0\t ") != std::string::npos;
    };
    // Every sound loaded (the last one open), then the end asked for.
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened(sounds.last().toStdString()); }, 30000));
    signal(SIGINT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return opened(autoSave); }, 30000)) << "the save started";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pending(); }, 10000));
    // The second is taken in, and the save still waits; the third ends it.
    signal(SIGINT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !pending(); }, 10000));
    EXPECT_EQ(process.state(), QProcess::Running);
    signal(SIGINT);
    EXPECT_EQ(exitStatus(), 130);
    EXPECT_NE(waitForError("Ctrl+C").find("phonaraplayer: "), std::string::npos) << err;
    ::close(reader);
}

// In the program's own sequence the window shows first; the message follows
// over it, as its child.
class WindowStart : public ProgramTest {
protected:
    TempDir dir;
};

TEST_F(WindowStart, TheWindowShowsBeforeTheWordAboutMissingFiles) {
    create();
    TCommandLine commandLine;
    commandLine.Files = {dir.file("gone.wav")};
    bool windowShown = false;
    QPointer<QWidget> parent;
    QString text;
    int status = 0;
    const int modals = HandleModals([&] { status = StartWindow(*w, commandLine); },
                                    [&](QWidget* modal) {
                                        windowShown = w->isVisible();
                                        parent = modal->parentWidget();
                                        if (auto* box = qobject_cast<QMessageBox*>(modal))
                                            text = box->text();
                                        modal->close();
                                    });
    w->AutoSavePath.clear(); // the test leaves no auto-save beside itself
    EXPECT_EQ(status, -1) << "the event loop runs next";
    EXPECT_EQ(modals, 1);
    EXPECT_TRUE(windowShown);
    EXPECT_EQ(parent, w.get());
    EXPECT_TRUE(text.contains("\ngone.wav: ファイルを開けないか、読み込めません\n"))
        << text.toStdString();
}

} // namespace
