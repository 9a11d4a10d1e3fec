// Loading, freeing and the transport commands, checked call by call against
// the recording double.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include "FakeAudio.h"
#include "FakeProgram.h"
#include "Modal.h"
#include "QtPrinters.h"
#include "app/PNAP.h"
#include "channellist/ChannelGrid.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "spatial/Markers.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

using testsupport::MessagesShownBy;

namespace {

class Channels : public FakeProgramTest {
protected:
    QString word(int n) const { return w->StringGrid1->cell(2, n); }
};

TEST_F(Channels, AFileIsTriedAsModuleThenMono3DThenPlainStream) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/two.wav"));
    const auto music = fake::calls("BASS_MusicLoad");
    ASSERT_EQ(music.size(), 1u);
    EXPECT_EQ(music[0].args, (std::vector<double>{0, 0, 0, 0x20C, 0}));
    EXPECT_EQ(music[0].text, "/s/two.wav");
    const auto streams = fake::calls("BASS_StreamCreateFile");
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].args, (std::vector<double>{0, 0, 0, 0xE}));
    EXPECT_EQ(streams[1].args, (std::vector<double>{0, 0, 0, 4}));

    EXPECT_TRUE(Sources[1].Loaded);
    EXPECT_TRUE(Sources[1].IsStereo);
    EXPECT_EQ(Sources[1].FileName, "/s/two.wav");
    EXPECT_EQ(w->StringGrid1->cell(1, 1), "stereo");
    EXPECT_EQ(w->StringGrid1->cell(2, 1), "stop");
    EXPECT_EQ(w->StringGrid1->cell(3, 1), "two.wav");
    EXPECT_EQ(NameWidth[1], w->StringGrid1->fontMetrics().horizontalAdvance("two.wav") + 4);
    EXPECT_TRUE(FrontMarkers[1]->isVisible());
    EXPECT_TRUE(TopMarkers[1]->isVisible());

    fake::clearCalls();
    ASSERT_TRUE(w->LoadChannelFile(2, "/s/song.mod"));
    EXPECT_TRUE(fake::calls("BASS_StreamCreateFile").empty()) << "a module opens at once";
    EXPECT_EQ(w->StringGrid1->cell(1, 2), "mono");
}

TEST_F(Channels, TheNewChannelGetsPositionPanAndTheReverbBlock) {
    Sources[3].Position = {2.5f, -1.f, 0.5f};
    ReverbParameters = {0.f, -28.5f, 1200.f, 0.1f};
    ASSERT_TRUE(w->LoadChannelFile(3, "/s/mono.wav"));
    const DWORD h = Sources[3].Handle;
    const auto pos = fake::calls("BASS_ChannelSet3DPosition");
    ASSERT_EQ(pos.size(), 1u);
    EXPECT_EQ(pos[0].args, (std::vector<double>{double(h), 2.5, -1, 0.5, 0, 0}));
    EXPECT_EQ(fake::calls("BASS_Apply3D").size(), 1u);
    const auto attrs = fake::calls("BASS_ChannelSetAttributes");
    ASSERT_EQ(attrs.size(), 1u);
    EXPECT_EQ(attrs[0].args, (std::vector<double>{double(h), -1, -1, 99}));
    const auto fx = fake::calls("BASS_ChannelSetFX");
    ASSERT_EQ(fx.size(), 1u);
    EXPECT_EQ(fx[0].args, (std::vector<double>{double(h), 8, 2}));
    const auto params = fake::calls("BASS_FXSetParameters");
    ASSERT_EQ(params.size(), 1u);
    EXPECT_EQ(params[0].args[0], Sources[3].FxHandle);
    EXPECT_EQ(params[0].args[2], -28.5);
    EXPECT_EQ(params[0].args[3], 1200);
}

TEST_F(Channels, AFailedLoadChangesNothingAndAReplacedChannelIsStoppedFirst) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    const DWORD old = Sources[1].Handle;
    BASS_ChannelPlay(old, false);
    fake::clearCalls();

    EXPECT_FALSE(w->LoadChannelFile(1, "/s/bad.wav"));
    EXPECT_EQ(Sources[1].Handle, old);
    EXPECT_EQ(Sources[1].FileName, "/s/mono.wav");
    EXPECT_EQ(fake::channel(old).state, DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(fake::calls("BASS_ChannelStop").empty());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FORMAT) << "the third attempt's code";

    ASSERT_TRUE(w->LoadChannelFile(1, "/s/two.wav"));
    std::vector<std::string> order;
    for (const auto& c : fake::state().calls)
        if (c.name == "BASS_StreamCreateFile" || c.name == "BASS_ChannelStop" ||
            c.name == "BASS_StreamFree" || c.name == "BASS_MusicFree")
            order.push_back(c.name);
    ASSERT_GE(order.size(), 4u);
    EXPECT_EQ(order.back(), "BASS_MusicFree");
    EXPECT_EQ(order[order.size() - 3], "BASS_ChannelStop") << "stopped after the new file opened";
    EXPECT_EQ(fake::state().channels.count(old), 0u) << "the old channel is released";
}

TEST_F(Channels, RemoveFreesSelectedLoadedSlotsAndKeepsPositionAndSelection) {
    selectOnly({2, 3});
    ASSERT_TRUE(w->LoadChannelFile(2, "/s/mono.wav"));
    ASSERT_TRUE(w->LoadChannelFile(4, "/s/mono.wav"));
    Sources[2].Position = {1.f, 0.f, 0.f};
    fake::clearCalls();
    w->RemoveButton->setEnabled(true);
    w->RemoveButtonClick();
    EXPECT_FALSE(Sources[2].Loaded);
    EXPECT_TRUE(Sources[2].Selected);
    EXPECT_EQ(Sources[2].Position.x, 1.f);
    EXPECT_TRUE(Sources[4].Loaded) << "not selected";
    EXPECT_EQ(fake::calls("BASS_ChannelStop").size(), 1u) << "the empty selected slot 3 is skipped";
    EXPECT_TRUE(w->StringGrid1->cell(3, 2).isEmpty());
    EXPECT_TRUE(w->StringGrid1->cell(1, 2).isEmpty());
    EXPECT_EQ(NameWidth[2], 0);
    EXPECT_FALSE(FrontMarkers[2]->isVisible());

    // Nothing selected: nothing happens.
    selectOnly({});
    fake::clearCalls();
    w->RemoveButtonClick();
    EXPECT_TRUE(fake::calls("BASS_ChannelStop").empty());
    EXPECT_TRUE(Sources[4].Loaded);
}

TEST_F(Channels, ABatchInWhichNothingLoadsIsReportedWithTheErrorCode) {
    const QString shown = MessagesShownBy([&] { w->LoadFileList({"/s/bad.wav", "/s/missing"}); });
    // Each file is named with the reason in words, the last code closes the message.
    EXPECT_TRUE(shown.startsWith("有効なファイルが見つかりませんでした。\nbad.wav: ")) << shown;
    EXPECT_TRUE(shown.contains("\nmissing: ファイルを開けないか、読み込めません\n")) << shown;
    EXPECT_TRUE(shown.endsWith(QString("\n(error code: %1)").arg(BASS_ERROR_FILEOPEN))) << shown;
    EXPECT_EQ(MessagesShownBy([&] { w->LoadFileList({"/s/bad.wav", "/s/mono.wav"}); }), "");
    EXPECT_TRUE(Sources[1].Loaded);
}

TEST_F(Channels, PlayClearsLoopArmsTheEndSyncAndStarts) {
    selectOnly({1, 3});
    for (int n : {1, 2, 3})
        ASSERT_TRUE(w->LoadChannelFile(n, "/s/mono.wav"));
    fake::clearCalls();
    w->PlayButtonClick();
    const DWORD h1 = Sources[1].Handle, h3 = Sources[3].Handle;
    const auto flags = fake::calls("BASS_ChannelSetFlags");
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0].args, (std::vector<double>{double(h1), 0xA}));
    const auto syncs = fake::calls("BASS_ChannelSetSync");
    ASSERT_EQ(syncs.size(), 2u);
    EXPECT_EQ(syncs[1].args, (std::vector<double>{double(h3), double(0x80000002u), 0, 3}));
    const auto plays = fake::calls("BASS_ChannelPlay");
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_EQ(plays[0].args, (std::vector<double>{double(h1), 0}));
    EXPECT_EQ(word(1), "play");
    EXPECT_EQ(word(2), "stop") << "loaded but not selected: untouched";
    EXPECT_EQ(word(3), "play");

    // The end arrives on the library's thread; the GUI thread writes "stop".
    std::thread([h3] { fake::reachEnd(h3); }).join();
    EXPECT_EQ(word(3), "play") << "nothing changes until the GUI thread takes the hand-over";
    QApplication::processEvents();
    EXPECT_EQ(word(3), "stop");
    EXPECT_EQ(word(1), "play");
}

TEST_F(Channels, LoopAfterPlayKeepsLoopingPastTheEnd) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    w->PlayButtonClick();
    fake::clearCalls();
    w->LoopButtonClick();
    EXPECT_TRUE(fake::calls("BASS_ChannelSetSync").empty());
    EXPECT_EQ(fake::calls("BASS_ChannelSetFlags")[0].args[1], 0xE);
    EXPECT_EQ(word(1), "loop");
    fake::reachEnd(Sources[1].Handle);
    QApplication::processEvents();
    EXPECT_EQ(word(1), "loop") << "the notification finds the channel still playing";
}

TEST_F(Channels, PauseAndStopWriteTheirWordsAndStopRewinds) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    const DWORD h = Sources[1].Handle;
    w->PauseButtonClick();
    EXPECT_EQ(word(1), "pause") << "written even when the channel was not playing";
    w->PlayButtonClick();
    fake::channel(h).position = 1234;
    fake::clearCalls();
    w->StopButtonClick();
    EXPECT_EQ(word(1), "stop");
    EXPECT_EQ(fake::calls("BASS_ChannelPause").size(), 1u);
    const auto pos = fake::calls("BASS_ChannelSetPosition");
    ASSERT_EQ(pos.size(), 1u);
    EXPECT_EQ(pos[0].args, (std::vector<double>{double(h), 0}));
    EXPECT_TRUE(fake::calls("BASS_ChannelStop").empty()) << "Stop is a pause and a rewind";
}

TEST_F(Channels, ALateEndNotificationForAFreedOrReplacedChannelIsDropped) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    const DWORD old = Sources[1].Handle;
    w->PlayButtonClick();
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/two.wav"));
    w->LoopButtonClick();
    w->EndOfPlay(1, old); // handed over before the old channel was released
    EXPECT_EQ(word(1), "loop");
    w->RemoveButtonClick();
    w->EndOfPlay(1, Sources[1].Handle);
    EXPECT_TRUE(word(1).isEmpty()) << "an empty row gets no word";
}

TEST_F(Channels, TheEndSyncOfEachPlayWritesStopOnce) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    w->PlayButtonClick();
    w->PlayButtonClick();
    EXPECT_EQ(fake::channel(Sources[1].Handle).syncs.size(), 2u);
    fake::reachEnd(Sources[1].Handle);
    QApplication::processEvents();
    EXPECT_EQ(word(1), "stop");
    EXPECT_TRUE(fake::channel(Sources[1].Handle).syncs.empty()) << "one-shot syncs are used up";
}

} // namespace
