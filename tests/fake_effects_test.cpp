// The EAX environment box and the reverb track bar, call by call against the
// recording double on a device that offers EAX.
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "FakeAudio.h"
#include "ProgramTest.h"
#include "QtPrinters.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"

namespace {

class EffectControls : public ProgramTest {
protected:
    void SetUp() override {
        fake::reset();
        fake::state().devices = {{"EAX Output", true, true}};
        fake::state().files = {{"/s/mono.wav", fake::FileKind::Mono},
                               {"/s/two.wav", fake::FileKind::Stereo}};
        create();
        w->PluginFolder = "/nonexistent";
        ASSERT_TRUE(w->BASSInitialize());
        ASSERT_TRUE(w->ComboBox1->isEnabled());
        w->show();
        fake::clearCalls();
    }
    static std::vector<double> block(double handle, float mix) {
        return {handle, 0.0, mix, 1200.0, double(0.1f)};
    }
};

TEST_F(EffectControls, TheTrackBarSendsTheBlockToEveryLoadedChannelAndNewOnesStartWithIt) {
    ASSERT_TRUE(w->LoadChannelFile(1, "/s/mono.wav"));
    ASSERT_TRUE(w->LoadChannelFile(3, "/s/two.wav"));
    ASSERT_TRUE(w->LoadChannelFile(5, "/s/mono.wav"));
    Sources[5].FxHandle = 0; // the library refused this channel's reverb
    fake::clearCalls();

    w->TrackBar1->setFocus();
    QTest::keyClick(w->TrackBar1, Qt::Key_Right);
    EXPECT_EQ(w->TrackBar1->value(), 1);
    EXPECT_EQ(w->Label5->text(), "1");
    const float one = ReverbMixOfLevel(1);
    EXPECT_NEAR(one, -62.4494f, 1e-4f);
    auto sent = fake::calls("BASS_FXSetParameters");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].args, block(Sources[1].FxHandle, one));
    EXPECT_EQ(sent[1].args, block(Sources[3].FxHandle, one));

    // A channel loaded now starts with the current mix.
    fake::clearCalls();
    ASSERT_TRUE(w->LoadChannelFile(7, "/s/mono.wav"));
    sent = fake::calls("BASS_FXSetParameters");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].args, block(Sources[7].FxHandle, one));

    // Set by the program (as a playlist does): the same fan-out, now to three.
    fake::clearCalls();
    w->TrackBar1->setValue(5);
    sent = fake::calls("BASS_FXSetParameters");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[2].args, block(Sources[7].FxHandle, ReverbMixOfLevel(5)));
    EXPECT_EQ(w->Label5->text(), "5");
    EXPECT_TRUE(fake::calls("BASS_SetEAXParameters").empty());
    EXPECT_TRUE(fake::calls("BASS_ChannelSetEAXMix").empty());
}

TEST_F(EffectControls, OffTakesEverySlotOutOfTheRoomAndLaterRoomsLeaveTheMixes) {
    ASSERT_TRUE(w->LoadChannelFile(2, "/s/mono.wav"));
    ASSERT_TRUE(w->LoadChannelFile(4, "/s/two.wav"));
    fake::clearCalls();

    w->ComboBox1->setCurrentIndex(11);
    auto eax = fake::calls("BASS_SetEAXParameters");
    ASSERT_EQ(eax.size(), 1u);
    EXPECT_EQ(eax[0].args, (std::vector<double>{10, 0.5, 10.0, double(0.3f)}));
    EXPECT_TRUE(fake::calls("BASS_ChannelSetEAXMix").empty());

    fake::clearCalls();
    w->ComboBox1->setCurrentIndex(0);
    eax = fake::calls("BASS_SetEAXParameters");
    ASSERT_EQ(eax.size(), 1u);
    EXPECT_EQ(eax[0].args, (std::vector<double>{-1, 0, -1, -1}));
    const auto mixes = fake::calls("BASS_ChannelSetEAXMix");
    ASSERT_EQ(mixes.size(), 32u) << "every slot, loaded or not";
    for (int n = 1; n <= ChannelCount; ++n)
        EXPECT_EQ(mixes[static_cast<size_t>(n - 1)].args,
                  (std::vector<double>{double(Sources[n].Handle), 0.0}))
            << n;
    EXPECT_NE(Sources[2].Handle, 0u);

    // "Room" by the keyboard: Down from "Off" is "Generic", twice more "Room".
    fake::clearCalls();
    w->ComboBox1->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w->ComboBox1, Qt::Key_Down);
    ASSERT_EQ(w->ComboBox1->currentText(), "Room");
    eax = fake::calls("BASS_SetEAXParameters");
    ASSERT_EQ(eax.size(), 3u);
    EXPECT_EQ(eax[0].args, (std::vector<double>{0, 0.5, double(1.493f), 0.5}));
    EXPECT_EQ(eax[2].args, (std::vector<double>{2, double(0.417f), double(0.4f), double(0.666f)}));
    EXPECT_TRUE(fake::calls("BASS_ChannelSetEAXMix").empty()) << "the mixes stay at 0.0";

    // A channel loaded afterwards keeps the library's default mix.
    ASSERT_TRUE(w->LoadChannelFile(6, "/s/mono.wav"));
    EXPECT_TRUE(fake::calls("BASS_ChannelSetEAXMix").empty());

    // No item chosen: nothing.
    fake::clearCalls();
    w->ComboBox1->setCurrentIndex(-1);
    EXPECT_TRUE(fake::calls("BASS_SetEAXParameters").empty());
    EXPECT_TRUE(fake::calls("BASS_ChannelSetEAXMix").empty());
}

} // namespace
