// The program on the real audio library and OpenAL Soft's null output, with
// short files the tests write: start-up, loading by the Load command, the
// distribution over slots, Remove, and the transport words as the files play.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

#include "Modal.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "widgets/DialogFilter.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

using testsupport::HandleModals;
using testsupport::MessagesShownBy;
using testsupport::ToneSpec;

namespace {

class Program : public RealProgramTest {
protected:
    std::string tone(const std::string& name, ToneSpec toneSpec = {}) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testsupport::writeTone(path, toneSpec));
        return path;
    }
    void selectOnly(std::initializer_list<int> channels) {
        for (int n = 1; n <= ChannelCount; ++n)
            Sources[n].Selected = false;
        for (int n : channels)
            Sources[n].Selected = true;
    }
    QString word(int n) const { return w->StringGrid1->cell(2, n); }
    // Lets the program run until pred holds or the time is up.
    bool waitFor(const std::function<bool()>& pred, int ms = 3000) {
        return QTest::qWaitFor(pred, ms);
    }

    testsupport::TempDir dir;
};

TEST_F(Program, StartsOnTheNullOutputWithThePluginsFormats) {
    const auto entries = ParseFilter(w->OpenDialog1.Filter);
    ASSERT_GE(entries.size(), 9u);
    EXPECT_EQ(entries[8].Text, "WavPack (*.wv)") << "the plug-in beside the program";
    EXPECT_EQ(w->ComboBox1->currentIndex(), 0);
    EXPECT_TRUE(w->ComboBox1->isEnabled()) << "OpenAL Soft offers EFX, our room environment";
}

TEST_F(Program, ThreeFilesChosenWithLoadGoIntoSlotsOneTwoThree) {
    tone("a.wav");
    tone("b.ogg", {.channels = 2});
    tone("c.flac");
    const int dialogs = HandleModals([&] { w->LoadButton->click(); },
                                     [&](QWidget* modal) {
                                         auto* d = qobject_cast<QFileDialog*>(modal);
                                         ASSERT_NE(d, nullptr);
                                         d->setDirectory(QString::fromStdString(dir.path()));
                                         d->selectFile("\"a.wav\" \"b.ogg\" \"c.flac\"");
                                         QMetaObject::invokeMethod(d, "accept");
                                     });
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Sources[1].FileName, dir.file("a.wav"));
    EXPECT_EQ(Sources[2].FileName, dir.file("b.ogg"));
    EXPECT_EQ(Sources[3].FileName, dir.file("c.flac"));
    EXPECT_FALSE(Sources[4].Loaded);
    EXPECT_EQ(w->StringGrid1->cell(1, 1), "mono");
    EXPECT_EQ(w->StringGrid1->cell(1, 2), "stereo") << "a stereo file opens plain";
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(word(n), "stop");
        EXPECT_TRUE(FrontMarkers[n]->isVisible());
    }
    EXPECT_EQ(w->StringGrid1->cell(3, 3), "c.flac");
}

TEST_F(Program, APlaylistChosenFirstIsOpenedAsOneWhateverItsCase) {
    tone("a.wav");
    testsupport::writeBytes(dir.file("SET.PNA"), {'#', '\r', '\n'});
    const int modals = HandleModals([&] { w->LoadButton->click(); },
                                    [&](QWidget* modal) {
                                        auto* d = qobject_cast<QFileDialog*>(modal);
                                        ASSERT_NE(d, nullptr) << "no message box either";
                                        d->setDirectory(QString::fromStdString(dir.path()));
                                        d->selectFile("\"SET.PNA\" \"a.wav\"");
                                        QMetaObject::invokeMethod(d, "accept");
                                    });
    EXPECT_EQ(modals, 1);
    EXPECT_FALSE(Sources[1].Loaded) << "the sound file chosen with the playlist is not loaded";
}

TEST_F(Program, OneFileIntoTwoSelectedSlotsReplacesAndFills) {
    const auto old = tone("old.wav");
    const auto fresh = tone("new.wav");
    selectOnly({2, 5});
    ASSERT_TRUE(w->LoadChannelFile(2, old));
    ASSERT_TRUE(w->LoadChannelFile(7, old));
    w->LoadFileList({fresh});
    EXPECT_EQ(Sources[2].FileName, fresh);
    EXPECT_EQ(Sources[5].FileName, fresh);
    EXPECT_EQ(Sources[7].FileName, old);
    for (int n : {1, 3, 4, 6, 8})
        EXPECT_FALSE(Sources[n].Loaded) << n;
    EXPECT_NE(Sources[2].Handle, Sources[5].Handle) << "two channels of one file";
}

TEST_F(Program, TwoFilesDealtOverFourSelectedSlots) {
    const auto a = tone("A.wav");
    const auto b = tone("B.wav", {.frequency = 880});
    selectOnly({1, 2, 3, 4});
    w->LoadFileList({a, b});
    EXPECT_EQ(Sources[1].FileName, a);
    EXPECT_EQ(Sources[2].FileName, b);
    EXPECT_EQ(Sources[3].FileName, a);
    EXPECT_EQ(Sources[4].FileName, b);
    EXPECT_FALSE(Sources[5].Loaded);
}

TEST_F(Program, AFailingFileLeavesAPlayingSlotPlayingAndIsReported) {
    const auto good = tone("good.wav", {.seconds = 1.0});
    const auto broken = dir.file("broken.wav");
    testsupport::writeBytes(broken, {'R', 'I', 'F', 'F', 1, 2, 3});
    ASSERT_TRUE(w->LoadChannelFile(1, good));
    w->LoopButtonClick();
    const DWORD handle = Sources[1].Handle;

    const QString shown = MessagesShownBy([&] { w->LoadFileList({broken}); });
    EXPECT_TRUE(shown.startsWith("有効なファイルが見つかりませんでした。\nbroken.wav: "));
    EXPECT_TRUE(shown.endsWith(QString::number(BASS_ErrorGetCode()) + ")"));
    EXPECT_NE(BASS_ErrorGetCode(), 0);
    EXPECT_EQ(Sources[1].Handle, handle);
    EXPECT_EQ(BASS_ChannelIsActive(handle), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(word(1), "loop");

    // One good file in the batch: no message.
    EXPECT_TRUE(MessagesShownBy([&] {
                    w->LoadFileList({broken, dir.file("missing.wav"), good});
                }).isEmpty());
}

TEST_F(Program, RemoveFreesOnlySelectedLoadedSlots) {
    const auto a = tone("a.wav");
    ASSERT_TRUE(w->LoadChannelFile(1, a));
    ASSERT_TRUE(w->LoadChannelFile(3, a));
    selectOnly({});
    w->RemoveButtonClick();
    EXPECT_TRUE(Sources[1].Loaded);
    selectOnly({2});
    w->RemoveButtonClick();
    EXPECT_TRUE(Sources[1].Loaded);
    EXPECT_TRUE(Sources[3].Loaded);
    selectOnly({3});
    const DWORD h = Sources[3].Handle;
    w->RemoveButtonClick();
    EXPECT_FALSE(Sources[3].Loaded);
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_STOPPED));
    EXPECT_FALSE(BASS_StreamFree(h)) << "released already";
    EXPECT_FALSE(TopMarkers[3]->isVisible());
}

TEST_F(Program, AReloadedSlotKeepsPositionSelectionAndGetsItsPan) {
    const auto stereo = tone("wide.wav", {.channels = 2});
    selectOnly({4});
    ASSERT_TRUE(w->LoadChannelFile(4, stereo));
    Sources[4].Position = {2.5f, 0.f, -1.f};
    w->RemoveButtonClick();
    ASSERT_TRUE(w->LoadChannelFile(4, stereo));
    EXPECT_TRUE(Sources[4].Selected);
    EXPECT_EQ(Sources[4].Position.x, 2.5f);
    EXPECT_EQ(Sources[4].Position.z, -1.f);
    DWORD freq = 0, volume = 0;
    int pan = 0;
    ASSERT_TRUE(BASS_ChannelGetAttributes(Sources[4].Handle, &freq, &volume, &pan));
    EXPECT_EQ(pan, 99) << "the float 0.05 makes X = 2.5 a hair short of 50 steps";
}

TEST_F(Program, PlayTurnsToStopByItselfAtTheEnd) {
    const auto shortFile = tone("short.wav", {.seconds = 0.25});
    ASSERT_TRUE(w->LoadChannelFile(1, shortFile));
    w->PlayButtonClick();
    EXPECT_EQ(word(1), "play");
    EXPECT_EQ(BASS_ChannelIsActive(Sources[1].Handle), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(waitFor([&] { return word(1) == "stop"; })) << "the end notification arrives";
    EXPECT_EQ(BASS_ChannelIsActive(Sources[1].Handle), DWORD(BASS_ACTIVE_STOPPED));
}

TEST_F(Program, LoopNeverStopsAndLoopAfterPlayKeepsGoing) {
    const auto shortFile = tone("short.wav", {.seconds = 0.15});
    ASSERT_TRUE(w->LoadChannelFile(1, shortFile));
    w->PlayButtonClick();
    w->LoopButtonClick();
    EXPECT_EQ(word(1), "loop");
    QTest::qWait(600); // several passes over the end
    EXPECT_EQ(word(1), "loop");
    EXPECT_EQ(BASS_ChannelIsActive(Sources[1].Handle), DWORD(BASS_ACTIVE_PLAYING));

    // Loop, then Play: it plays on and stops at its end.
    w->PlayButtonClick();
    EXPECT_EQ(word(1), "play");
    EXPECT_TRUE(waitFor([&] { return word(1) == "stop"; }))
        << "state " << BASS_ChannelIsActive(Sources[1].Handle);
}

TEST_F(Program, PauseResumesWhereItWasAndStopStartsOver) {
    const auto longer = tone("long.wav", {.seconds = 2.0});
    ASSERT_TRUE(w->LoadChannelFile(1, longer));
    const DWORD h = Sources[1].Handle;
    w->PlayButtonClick();
    QTest::qWait(300);
    w->PauseButtonClick();
    EXPECT_EQ(word(1), "pause");
    EXPECT_EQ(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PAUSED));
    const QWORD paused = BASS_ChannelGetPosition(h);
    EXPECT_GT(paused, 0u);
    QTest::qWait(100);
    EXPECT_EQ(BASS_ChannelGetPosition(h), paused) << "a paused channel keeps its place";
    w->PlayButtonClick();
    EXPECT_GE(BASS_ChannelGetPosition(h), paused) << "and resumes from there";

    QTest::qWait(200);
    w->StopButtonClick();
    EXPECT_EQ(word(1), "stop");
    EXPECT_NE(BASS_ChannelIsActive(h), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_EQ(BASS_ChannelGetPosition(h), 0u) << "Stop rewinds";
    w->PlayButtonClick();
    EXPECT_LT(BASS_ChannelGetPosition(h), paused) << "Play after Stop starts over";
}

TEST_F(Program, TransportActsOnSelectedLoadedChannelsOnly) {
    const auto a = tone("a.wav", {.seconds = 1.0});
    for (int n : {1, 2, 3})
        ASSERT_TRUE(w->LoadChannelFile(n, a));
    selectOnly({1, 3, 4});
    w->LoopButtonClick();
    EXPECT_EQ(word(1), "loop");
    EXPECT_EQ(word(2), "stop");
    EXPECT_EQ(word(3), "loop");
    EXPECT_TRUE(word(4).isEmpty()) << "a selected empty slot is skipped";
    EXPECT_EQ(BASS_ChannelIsActive(Sources[2].Handle), DWORD(BASS_ACTIVE_STOPPED));
    w->StopButtonClick();
    for (int n : {1, 3})
        EXPECT_NE(BASS_ChannelIsActive(Sources[n].Handle), DWORD(BASS_ACTIVE_PLAYING));
}

} // namespace
