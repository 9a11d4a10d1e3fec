// Playlists on the real library and the null output: saving and opening through
// the commands, the reader's rules, dropped files, the command line, the
// auto-save across runs, and files that are not what they claim to be.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "AudioRender.h"
#include "Modal.h"
#include "ProgramTest.h"
#include "QtPrinters.h"
#include "ScopedLocale.h"
#include "SoundFiles.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "playlist/PlaylistFile.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

using testsupport::MessagesShownBy;

namespace {

namespace fs = std::filesystem;
const QString NothingLoaded = "有効なファイルが見つかりませんでした。";

std::string read(const std::string& path) {
    std::string text;
    EXPECT_EQ(ReadFileHead(path, text), TReadResult::Ok) << path;
    return text;
}

class Playlists : public ProgramTest {
protected:
    void SetUp() override { start(); }

    // A fresh run of the program: window, audio, then the start-up files.
    QString start(const QStringList& arguments = {}, const std::string& autoSave = {}) {
        create();
        EXPECT_TRUE(w->BASSInitialize());
        w->AutoSavePath = autoSave;
        const QString messages = MessagesShownBy([&] { w->LoadIniFile(arguments); });
        w->show();
        activate();
        return messages;
    }
    // Shortcuts reach the active window only; a closed dialog leaves none.
    void activate() {
        QApplication::setActiveWindow(w.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    // Ends the run as closing the window does; returns the messages shown.
    QString end() {
        return MessagesShownBy([&] { w.reset(); });
    }

    std::string tone(const std::string& name) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::writeTone(path, {.seconds = 0.1}));
        return path;
    }
    std::string file(const std::string& name, const std::string& text) {
        EXPECT_TRUE(WriteFileReplacing(dir.file(name), text));
        return dir.file(name);
    }
    QString open(const std::string& path) {
        return MessagesShownBy([&] { w->OpenPlaylist(path); });
    }
    // The file name of each slot, "" for an empty one, up to the last loaded.
    std::vector<std::string> loaded() const {
        std::vector<std::string> names;
        for (int n = 1; n <= ChannelCount; ++n)
            names.push_back(Sources[n].Loaded ? FileNameOfSlot(n) : "");
        while (!names.empty() && names.back().empty())
            names.pop_back();
        return names;
    }
    static std::string FileNameOfSlot(int n) {
        return fs::path(Sources[n].FileName).filename().string();
    }
    static std::vector<float> position(int n) {
        const BASS_3DVECTOR& p = Sources[n].Position;
        return {p.x, p.y, p.z};
    }
    // Runs a playlist command and answers its dialog with name (or cancels).
    void command(const std::function<void()>& run, const QString& name) {
        activate();
        testsupport::HandleModals(run, [&](QWidget* modal) {
            auto* d = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(d, nullptr) << modal->metaObject()->className();
            if (name.isEmpty())
                return d->reject();
            // Typed into the name box, as a user does (selectFile leaves a box
            // that has the focus alone). The dialog lists the folder in the
            // background and may clear the box meanwhile: then it is typed again.
            d->setDirectory(QString::fromStdString(dir.path()));
            for (int i = 0; i < 100 && d->isVisible(); ++i) {
                d->findChild<QLineEdit*>("fileNameEdit")->setText(name);
                QMetaObject::invokeMethod(d, "accept");
                if (d->isVisible())
                    QTest::qWait(10);
            }
        });
    }
    void drop(const QList<QUrl>& urls, bool expectAccepted = true) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = w->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &enter);
        ASSERT_EQ(enter.isAccepted(), expectAccepted);
        if (!expectAccepted)
            return;
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w.get(), &dropped);
    }

    testsupport::TempDir dir;
};

QUrl Url(const std::string& path) {
    return QUrl::fromLocalFile(QString::fromStdString(path));
}

TEST_F(Playlists, WorkedExampleThroughSaveAndOpenCommands) {
    const std::string rain = tone("rain.wav"), birds = tone("birds.ogg");
    Sources[1].Position = {1.25f, 0.f, -0.5f};
    Sources[3].Position = {coords::StepToX(3, UnitsPerStep), -2.5f, 2.5f};
    w->TrackBar1->setValue(5);
    w->ComboBox1->setCurrentIndex(3);
    ASSERT_TRUE(w->LoadChannelFile(1, rain) && w->LoadChannelFile(3, birds));
    const std::string expected = "#PNAPEffect 5,3\r\n#PNAPParam 1.25,0,-0.5\r\n" + rain +
                                 "\r\n#PNAPParam 0.150000005960464,-2.5,2.5\r\n" + birds + "\r\n";

    command([&] { w->SaveButton->click(); }, "set.m3u");
    EXPECT_EQ(read(dir.file("set.m3u")), expected) << "M3U holds the same lines";
    command([&] { QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier); }, "set");
    EXPECT_EQ(read(dir.file("set.pna")), expected) << "the default extension is added";

    w->TrackBar1->setValue(0);
    w->ComboBox1->setCurrentIndex(0);
    command([&] { w->OpenButton->click(); }, ""); // cancelled: nothing changes
    EXPECT_EQ(loaded(), (std::vector<std::string>{"rain.wav", "", "birds.ogg"}));

    command([&] { QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier); }, "set.pna");
    EXPECT_EQ(loaded(), (std::vector<std::string>{"rain.wav", "birds.ogg"}));
    EXPECT_EQ(position(1), (std::vector<float>{1.25f, 0.f, -0.5f}));
    EXPECT_EQ(position(2), (std::vector<float>{coords::StepToX(3, UnitsPerStep), -2.5f, 2.5f}));
    EXPECT_EQ(w->TrackBar1->value(), 5);
    EXPECT_EQ(w->Label5->text(), "5");
    EXPECT_EQ(w->ComboBox1->currentText(), "Room");
    BASS_3DVECTOR heard{};
    ASSERT_TRUE(BASS_ChannelGet3DPosition(Sources[2].Handle, &heard, nullptr, nullptr));
    EXPECT_EQ(heard.z, 2.5f) << "the library has the new place";
    EXPECT_EQ(TopMarkers[2]->x(), FrontMarkers[2]->x());
    EXPECT_EQ(TopMarkers[2]->y(),
              coords::YZToPixel(2.5f, UnitsPerStep, PixelsPerStep, MarkerHalfHeight));
    EXPECT_EQ(w->LabelX->text(), "X=1.25") << "the current channel 1 shows its place";
}

TEST_F(Playlists, ReadingRulesPositionsSlotsAndMessages) {
    tone("a.wav");
    tone("b.wav");
    file("broken.wav", "not a sound at all");
    fs::create_directory(dir.file("lists"));
    w->TrackBar1->setValue(4);
    ASSERT_TRUE(w->LoadChannelFile(5, dir.file("a.wav")));

    EXPECT_EQ(open(file("lists/empty.pna", "")), "");
    EXPECT_EQ(loaded(), std::vector<std::string>{}) << "an empty playlist frees all";
    EXPECT_EQ(w->TrackBar1->value(), 4) << "and leaves the effects alone";
    EXPECT_EQ(open(file("lists/fx.m3u", "#EXTM3U\r\n#pnapeffect 25,30")), "");
    EXPECT_EQ(w->TrackBar1->value(), 0);
    EXPECT_EQ(w->ComboBox1->currentText(), "Off");

    EXPECT_EQ(open(file("lists/p.pna", "#PNAPParam 7,-7,1\r\n"
                                       "missing.wav\r\n" // no slot; the position waits
                                       "../a.wav\r\n"    // relative to the playlist
                                       "#PNAPPARAM 0.5,0.25\n"
                                       "../broken.wav\r\n" // exists: takes slot 2
                                       "../b.wav\r\n")),
              "")
        << "no message while something loaded";
    EXPECT_EQ(loaded(), (std::vector<std::string>{"a.wav", "", "b.wav"}));
    EXPECT_EQ(position(1), (std::vector<float>{2.5f, -2.5f, 1.f}));
    EXPECT_EQ(position(3), (std::vector<float>{0.5f, 0.25f, 0.f}));

    EXPECT_EQ(open(file("lists/gone.pna", "/nowhere/x.wav\r\n")), NothingLoaded) << "no error code";
    EXPECT_TRUE(open(file("lists/bad.pna", "../broken.wav\r\n")).startsWith(NothingLoaded));
}

TEST_F(Playlists, SlotsCompactTheThirtyThirdFileStopsAndShortcutsOutliveTheMenu) {
    const std::string a = tone("a.wav");
    for (int n : {1, 4, 9})
        ASSERT_TRUE(w->LoadChannelFile(n, a));
    ASSERT_TRUE(w->SavePlaylist(dir.file("three.pna")));
    open(dir.file("three.pna"));
    EXPECT_EQ(loaded(), (std::vector<std::string>{"a.wav", "a.wav", "a.wav"}));

    std::string text;
    for (int i = 0; i < 33; ++i)
        text += a + "\r\n";
    open(file("many.pna", text + "#PNAPEffect 9,9\r\n"));
    EXPECT_EQ(loaded().size(), 32u);
    EXPECT_EQ(w->TrackBar1->value(), 0) << "lines after slot 32 are not read";

    // All loaded, none selected: the File menu is off with Ctrl+O, but the
    // playlist actions keep their shortcuts.
    Sources[1].Selected = false;
    w->RepaintGrid();
    ASSERT_FALSE(w->MenuOpenFile->menuAction()->isEnabled());
    auto dialogsOf = [&](Qt::Key key) {
        activate();
        return testsupport::HandleModals(
            [&] { QTest::keyClick(w.get(), key, Qt::ControlModifier); },
            [](QWidget* modal) { modal->close(); });
    };
    EXPECT_EQ(dialogsOf(Qt::Key_O), 0);
    EXPECT_EQ(dialogsOf(Qt::Key_L), 1);
    EXPECT_EQ(dialogsOf(Qt::Key_S), 1);
}

TEST_F(Playlists, DroppedFiles) {
    std::vector<std::string> names;
    QList<QUrl> urls;
    for (int i = 0; i < 40; ++i) {
        const std::string name = "f" + std::to_string(100 + i) + ".wav";
        names.push_back(i < 8 ? file(name, "broken") : tone(name));
        urls << Url(names.back());
    }
    // Only the first 32 names count: 8 fail, 24 load from slot 1 on.
    drop(urls);
    EXPECT_EQ(loaded().size(), 24u);
    EXPECT_EQ(FileNameOfSlot(24), "f131.wav");

    Sources[1].Selected = false;
    Sources[7].Selected = true;
    drop({Url(names[39])});
    EXPECT_EQ(FileNameOfSlot(7), "f139.wav") << "replaces the selected slot";
    EXPECT_EQ(loaded().size(), 24u);

    drop({QUrl("https://example.org/x.wav")}, false);
    file("set.M3U", names[39] + "\r\n");
    drop({QUrl("https://example.org/x.wav"), Url(dir.file("set.M3U")), Url(names[20])});
    EXPECT_EQ(loaded(), std::vector<std::string>{"f139.wav"}) << "the playlist alone, opened";
}

TEST_F(Playlists, CommandLine) {
    const std::string a = tone("a.wav"), b = tone("b.wav");
    const std::string list = file("set.PNA", "#PNAPEffect 3,0\r\n" + b + "\r\n");
    const QString qa = QString::fromStdString(a), qlist = QString::fromStdString(list);

    EXPECT_EQ(start({qa, QString::fromStdString(b)}), "");
    EXPECT_EQ(loaded(), (std::vector<std::string>{"a.wav", "b.wav"}));
    EXPECT_EQ(w->StringGrid1->cell(2, 2), "stop");

    start({qlist, qa});
    EXPECT_EQ(loaded(), std::vector<std::string>{"b.wav"}) << "the playlist alone";
    EXPECT_EQ(w->TrackBar1->value(), 3);

    EXPECT_EQ(start({qa, qlist}), "") << "one file loaded: no message";
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"});

    QStringList forty;
    for (int i = 0; i < 40; ++i)
        forty << (i % 2 ? qa : QString::fromStdString(b));
    start(forty);
    EXPECT_EQ(loaded().size(), 32u);

    // Names relative to the working folder are kept absolute.
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.path());
    start({"a.wav"});
    fs::current_path(cwd);
    EXPECT_EQ(Sources[1].FileName, a);
}

TEST_F(Playlists, TheAutoSaveCarriesTheArrangementAcrossRuns) {
    const std::string autoSave = dir.file("cfg/PhonaraPlayer/PNAPini.pna");
    EXPECT_EQ(start({}, autoSave), "") << "first start: nothing there yet";
    EXPECT_EQ(loaded(), std::vector<std::string>{});
    w->TrackBar1->setValue(7);
    w->ComboBox1->setCurrentIndex(2);
    EXPECT_EQ(end(), "");
    EXPECT_EQ(read(autoSave), "#PNAPEffect 7,2\r\n") << "its folder made";

    start({}, autoSave);
    EXPECT_EQ(w->TrackBar1->value(), 7);
    EXPECT_EQ(w->ComboBox1->currentIndex(), 2);
    // A tiny position survives a save and two more starts.
    w->Arrangement.Place(1, {1e-6f, -1e-6f, 0.f}, TOrigin::Hand);
    ASSERT_FALSE(w->Arrangement.File(1, tone("a.wav"), TOrigin::Hand).Refused());
    for (int run = 0; run < 2; ++run) {
        end();
        start({}, autoSave);
        EXPECT_EQ(position(1), (std::vector<float>{1e-6f, -1e-6f, 0.f})) << run;
    }

    // Arguments replace the auto-saved arrangement for this run only.
    start({QString::fromStdString(tone("b.wav"))}, autoSave);
    EXPECT_EQ(loaded(), std::vector<std::string>{"b.wav"});
}

// A stereo channel imitates its place by balance and volume: read back from a
// playlist (the auto-save too) it sounds where it was saved, not where its
// slot stood before.
class PlaylistsHeard : public ProgramTest {
protected:
    testsupport::LoopbackDevice device; // outlives the window, as an output device would
};

TEST_F(PlaylistsHeard, StereoChannelsSoundAtTheirSavedPlaces) {
    ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
    create();
    SetReverbDefaults();
    testsupport::TempDir dir;
    const std::string wide = dir.file("wide.wav");
    ASSERT_TRUE(testsupport::writeTone(wide, {.channels = 2, .seconds = 0.5}));
    const std::string list = dir.file("set.pna");
    ASSERT_TRUE(WriteFileReplacing(list, "#PNAPParam -2.5,0,0\r\n" + wide +
                                             "\r\n#PNAPParam 0,2.5,0\r\n" + wide + "\r\n" + wide +
                                             "\r\n"));
    w->OpenPlaylist(list);
    ASSERT_TRUE(Sources[1].IsStereo && Sources[2].IsStereo && Sources[3].IsStereo);

    // Each channel alone, its left and right levels while it plays.
    auto heard = [&](int n) {
        for (int m = 1; m <= ChannelCount; ++m)
            Sources[m].Selected = m == n;
        w->PlayButtonClick();
        const auto out = testsupport::render(0.3);
        w->StopButtonClick();
        return std::pair{testsupport::rms(out, 0, 0.05, 0.25),
                         testsupport::rms(out, 1, 0.05, 0.25)};
    };
    const auto [left1, right1] = heard(1);
    EXPECT_GT(left1, 0.1);
    EXPECT_LT(right1, left1 * 0.05) << "at the far left the right side is silent";
    const auto [left2, right2] = heard(2);
    const auto [left3, right3] = heard(3);
    EXPECT_NEAR(right3, left3, left3 * 0.02) << "on the listener: balanced";
    EXPECT_NEAR(left2 / left3, 0.61, 0.02) << "2.5 m above: volume 61";
    EXPECT_NEAR(right2, left2, left2 * 0.02);
}

TEST_F(Playlists, CommaLocaleWritesAndReadsTheSameFile) {
    const std::string a = tone("a.wav");
    Sources[1].Position = {0.15f, -1.05f, 2.5f};
    ASSERT_TRUE(w->LoadChannelFile(1, a));
    ASSERT_TRUE(w->SavePlaylist(dir.file("point.pna")));
    {
        // The C locale is changed where the system has it.
        const testsupport::ScopedLocale german(QLocale(QLocale::German), "de_DE.UTF-8");
        ASSERT_TRUE(w->SavePlaylist(dir.file("comma.pna")));
        open(dir.file("comma.pna"));
        ASSERT_TRUE(w->SavePlaylist(dir.file("again.pna")));
    }
    EXPECT_EQ(read(dir.file("comma.pna")), read(dir.file("point.pna")));
    EXPECT_EQ(read(dir.file("again.pna")), read(dir.file("point.pna")));
    EXPECT_EQ(position(1), (std::vector<float>{0.15f, -1.05f, 2.5f}));
}

TEST_F(Playlists, LongNonAsciiPathsRoundTrip) {
    std::string folder = dir.path();
    while (folder.size() < 200)
        fs::create_directory(folder += "/サウンド");
    const std::string sound = folder + "/" + std::string(300 - folder.size() - 8, 'x') + "音.wav";
    ASSERT_EQ(sound.size(), 300u);
    ASSERT_TRUE(testsupport::writeTone(sound, {.seconds = 0.1}));
    drop({Url(sound)});
    ASSERT_TRUE(w->SavePlaylist(folder + "/リスト.pna"));
    open(folder + "/リスト.pna");
    EXPECT_EQ(Sources[1].FileName, sound);
    EXPECT_EQ(w->StringGrid1->cell(3, 1).toStdString(), fs::path(sound).filename().string());
}

TEST_F(Playlists, HostileFilesNeitherCrashNorHangAndFailuresAreShown) {
    const std::string a = tone("a.wav");
    ASSERT_TRUE(w->LoadChannelFile(1, a));
    std::string binary;
    for (int i = 0; i < 70000; ++i)
        binary += static_cast<char>((i * 131 + 7) % 256); // a NUL among them
    EXPECT_EQ(open(file("binary.pna", binary)), NothingLoaded) << "its lines name no file";
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"});
    // A line of 3 MiB is no path and no setting: it is skipped, and the file
    // line after it is read.
    w->FreeChannel(true);
    EXPECT_EQ(open(file("huge.pna", std::string(3 << 20, '#') + "\r\n" + a + "\r\n")), "");
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"});

    ASSERT_TRUE(w->LoadChannelFile(1, a));
    ASSERT_EQ(::mkfifo(dir.file("fifo.pna").c_str(), 0600), 0);
    fs::create_directory(dir.file("folder.pna"));
    for (const char* name : {"fifo.pna", "folder.pna"})
        EXPECT_EQ(open(dir.file(name)),
                  QString("ファイル %1 は開けません").arg(dir.file(name).c_str()));
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"}) << "nothing freed";
    ::mkfifo(dir.file("fifo.wav").c_str(), 0600);
    EXPECT_EQ(open(file("names.pna", dir.file("fifo.wav") + "\r\n/dev/zero\r\n")), NothingLoaded)
        << "neither is a file that can be loaded";
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"});
    // A file whose reading fails is refused whole.
    EXPECT_EQ(open("/proc/self/mem"), "ファイル /proc/self/mem は開けません");
    EXPECT_EQ(loaded(), std::vector<std::string>{"a.wav"});

    // At start: the message, and an empty table.
    EXPECT_EQ(start({}, dir.file("folder.pna")),
              QString("ファイル %1 は開けません").arg(dir.file("folder.pna").c_str()));
    EXPECT_EQ(loaded(), std::vector<std::string>{});

    // A save that cannot be written is shown, the old file stays, and the
    // window still tears down the audio library at the end.
    EXPECT_EQ(MessagesShownBy([&] { w->SavePlaylist(dir.file("a.wav/x.pna")); }),
              QString("ファイル %1 を作成できません").arg(dir.file("a.wav/x.pna").c_str()));
    w->AutoSavePath = dir.file("a.wav/PNAPini.pna");
    w->TrackBar1->setValue(1); // changed: the auto-save is written
    EXPECT_TRUE(end().startsWith("ファイル"));
    EXPECT_FALSE(BASS_Stop()) << "the device was released";
}

TEST_F(Playlists, PlaylistsFromElsewhereOrOfAnySizeLoseNothing) {
    const std::string a = tone("a.wav"), b = tone("b.wav"), c = tone("c.wav");
    w->LoadFileList({a, b, c});
    w->TrackBar1->setValue(4);
    w->ComboBox1->setCurrentIndex(2);
    ASSERT_EQ(loaded(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));

    // Made on another machine: nothing it names is here.
    EXPECT_EQ(open(file("other.m3u", "#EXTM3U\r\n#PNAPEffect 9,9\r\nC:\\Sound\\rain.wav\r\n"
                                     "/nonexistent/birds.ogg\r\n")),
              NothingLoaded);
    EXPECT_EQ(loaded(), (std::vector<std::string>{"a.wav", "b.wav", "c.wav"}));
    EXPECT_EQ(w->TrackBar1->value(), 4);
    EXPECT_EQ(w->ComboBox1->currentIndex(), 2);
    EXPECT_EQ(w->StringGrid1->cell(3, 2), "b.wav");

    // 3 MB of track information before the files: they are read and load.
    std::string big = "#EXTM3U\r\n";
    while (big.size() < 3000000)
        big += "#EXTINF:123,Somebody - A track that is not in this list at all\r\n";
    big += "#PNAPEffect 6,1\r\n#PNAPParam 1.5,0,-1\r\n" + c + "\r\n" + a + "\r\n";
    EXPECT_EQ(open(file("big.m3u8", big)), "");
    EXPECT_EQ(loaded(), (std::vector<std::string>{"c.wav", "a.wav"}));
    EXPECT_EQ(position(1), (std::vector<float>{1.5f, 0.f, -1.f}));
    EXPECT_EQ(w->TrackBar1->value(), 6);

    // UTF-8 M3U is a playlist wherever M3U is: dropped, and on the command line.
    file("one.M3U8", b + "\r\n");
    drop({Url(dir.file("one.M3U8")), Url(a)});
    EXPECT_EQ(loaded(), std::vector<std::string>{"b.wav"});
    start({QString::fromStdString(dir.file("big.m3u8")), QString::fromStdString(b)});
    EXPECT_EQ(loaded(), (std::vector<std::string>{"c.wav", "a.wav"}));
}

// The program itself, started as a user does, ended by signals.
using Saves = std::pair<std::string, std::string>;
using Files = std::vector<std::string>;
class ProgramEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testsupport::writeTone(sound, {.seconds = 0.1}));
        fs::create_directory(folder);
        fs::copy_file(QCoreApplication::applicationDirPath().toStdString() + "/phonaraplayer",
                      program);
    }
    // Starts the program and waits until its signal handlers are in place.
    void launch(const QStringList& arguments, const QString& drivers = "null") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", QString::fromStdString(config));
        env.insert("ASAN_OPTIONS", "detect_leaks=0");
        env.insert("ALSOFT_DRIVERS", drivers);
        process.setProcessEnvironment(env);
        process.start(QString::fromStdString(program), arguments);
        ASSERT_TRUE(process.waitForStarted());
        const std::string status = "/proc/" + std::to_string(process.processId()) + "/status";
        auto catchesSigterm = [&] {
            std::ifstream in(status);
            for (std::string line; std::getline(in, line);)
                if (line.starts_with("SigCgt:"))
                    return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1) & 1) != 0;
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(catchesSigterm, 30000));
    }
    // Starts the program and waits until it has sound open, which it keeps
    // open while loaded; then sends SIGTERM, unless told not to.
    void start(const QStringList& arguments, bool terminate = true) {
        launch(arguments);
        const fs::path fds = "/proc/" + std::to_string(process.processId()) + "/fd";
        auto soundOpen = [&] {
            std::error_code ec;
            for (const auto& fd : fs::directory_iterator(fds, ec))
                if (fs::read_symlink(fd.path(), ec) == sound)
                    return true;
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(soundOpen, 30000)) << process.readAllStandardError().data();
        if (terminate)
            signal(SIGTERM);
    }
    void signal(int sig) { ::kill(static_cast<pid_t>(process.processId()), sig); }
    // The exit code of a normal end, -1 for an end by signal or no end.
    int exitCode(int ms = 30000) {
        if (!process.waitForFinished(ms))
            return -2;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    // A run with these arguments ended by SIGTERM: its exit code.
    int run(const QStringList& arguments) {
        start(arguments);
        return exitCode();
    }
    // The auto-save in a folder and the arrangement it replaced; "-" for no file.
    Saves saves(const std::string& in) {
        auto text = [&](const std::string& path) { return fs::exists(path) ? read(path) : "-"; };
        return {text(in + "/PNAPini.pna"), text(in + "/PNAPini.previous.pna")};
    }

    testsupport::TempDir dir;
    const std::string sound = fs::canonical(dir.path()).string() + "/a.wav";
    const std::string folder = dir.file("program");
    const std::string program = folder + "/phonaraplayer";
    const std::string autoSave = folder + "/PNAPini.pna";
    const std::string previous = folder + "/PNAPini.previous.pna";
    // The auto-save of a run that loaded the one sound.
    const std::string oneSound = "#PNAPEffect 0,0\r\n#PNAPParam 0,0,0\r\n" + sound + "\r\n";
    std::string config = dir.file("config");
    QProcess process;
};

// Logging out sends SIGTERM and SIGHUP at once; a terminal's Ctrl+C may come
// twice. However many arrive, and whenever, the save completes: beside a
// writable copy, losing no arrangement, and per user for an installed one.
TEST_F(ProgramEnd, SigtermSavesBesideAWritableCopyOrPerUserForAnInstalledOne) {
    // The signals sent, and the milliseconds between them.
    const std::pair<std::vector<int>, int> cases[] = {
        {{SIGTERM}, 0},         {{SIGTERM, SIGHUP}, 0},
        {{SIGTERM, SIGHUP}, 1}, {{SIGTERM, SIGHUP}, 10},
        {{SIGINT, SIGINT}, 0},  {{SIGHUP, SIGINT, SIGTERM, SIGHUP, SIGTERM}, 1}};
    for (const auto& [sent, gapMs] : cases) {
        SCOPED_TRACE(testing::Message() << sent.size() << " signals " << gapMs << " ms apart");
        fs::remove(autoSave);
        start({QString::fromStdString(sound)}, false);
        for (size_t i = 0; i < sent.size(); ++i) {
            if (i > 0 && gapMs > 0)
                ::usleep(static_cast<useconds_t>(gapMs) * 1000);
            signal(sent[i]);
        }
        EXPECT_EQ(exitCode(), 0);
        EXPECT_EQ(saves(folder), Saves(oneSound, "-")) << "nothing to keep";
        EXPECT_EQ(testsupport::entries(folder), Files({"PNAPini.pna", "phonaraplayer"}))
            << "no temporary file is left";
    }

    // Restored without an absent drive's files and closed unchanged, it still
    // names them; started with one file, it keeps the arrangement it replaces.
    const std::string b = dir.file("b.wav");
    ASSERT_TRUE(testsupport::writeTone(b, {.seconds = 0.1}));
    const std::string last = "#PNAPEffect 5,3\r\n#PNAPParam 1,0,0\r\n" + sound +
                             "\r\n#PNAPParam 0,0,0\r\n" + dir.file("absent/c.wav") +
                             "\r\n#PNAPParam 0,0.5,0\r\n" + b + "\r\n";
    ASSERT_TRUE(WriteFileReplacing(autoSave, last));
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(saves(folder), Saves(last, "-")) << "nothing was replaced";
    EXPECT_EQ(run({QString::fromStdString(sound)}), 0);
    EXPECT_EQ(saves(folder), Saves(oneSound, last));
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(saves(folder), Saves(oneSound, last)) << "restored and unchanged: neither touched";

    // The kept arrangement opened as a playlist comes back whole (but for
    // the absent file); a larger arrangement keeps no previous of its own.
    EXPECT_EQ(run({QString::fromStdString(previous)}), 0);
    EXPECT_EQ(saves(folder), Saves("#PNAPEffect 5,3\r\n#PNAPParam 1,0,0\r\n" + sound +
                                       "\r\n#PNAPParam 0,0.5,0\r\n" + b + "\r\n",
                                   last));
    EXPECT_EQ(testsupport::entries(folder),
              Files({"PNAPini.pna", "PNAPini.previous.pna", "phonaraplayer"}));

    // An installed copy reads and writes its auto-save per user; restored and
    // left unchanged, the file stays as it was written, byte for byte.
    fs::remove(autoSave);
    fs::remove(previous);
    ASSERT_TRUE(WriteFileReplacing(folder + "/phonaraplayer.installed", ""));
    const std::string perUser = config + "/PhonaraPlayer";
    fs::create_directories(perUser);
    const std::string handWritten = "#pnapeffect 3,1\n#PNAPParam 1,1\n../../a.wav\n";
    ASSERT_TRUE(WriteFileReplacing(perUser + "/PNAPini.pna", handWritten));
    EXPECT_EQ(run({}), 0);
    EXPECT_EQ(saves(perUser), Saves(handWritten, "-"));
    EXPECT_EQ(run({QString::fromStdString(sound)}), 0);
    EXPECT_EQ(saves(perUser), Saves(oneSound, handWritten));
    EXPECT_EQ(saves(folder), Saves("-", "-"));
}

// Scripts and session managers see that the program could not start; a
// second signal skips the message of a failed save but never the end.
TEST_F(ProgramEnd, WithoutADeviceOrASaveTheEndStaysOrderly) {
    launch({QString::fromStdString(sound)}, "no-such-driver");
    signal(SIGTERM); // dismisses the message box that waits for an answer
    EXPECT_EQ(exitCode(), 1);
    EXPECT_FALSE(fs::exists(autoSave)) << "nothing was saved";

    // The auto-save cannot be written: the message waits for an answer.
    ASSERT_TRUE(WriteFileReplacing(folder + "/phonaraplayer.installed", ""));
    ASSERT_TRUE(WriteFileReplacing(dir.file("plain"), ""));
    config = dir.file("plain/config");
    start({QString::fromStdString(sound)});
    EXPECT_EQ(exitCode(500), -2);
    signal(SIGHUP);
    EXPECT_EQ(exitCode(), 0) << "an orderly end, not one by the signal";
}

} // namespace
