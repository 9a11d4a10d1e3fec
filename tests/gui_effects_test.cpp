// The EAX environment box and the reverb track bar as a user drives them, and
// what they do to the sound: the program's handlers on the real audio library,
// rendered through its loopback device and measured.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <memory>

#include "AudioRender.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "app/PNAP.h"
#include "channels/Sources.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"

using namespace testsupport;

namespace {

class EffectBoxes : public RealProgramTest {};

TEST_F(EffectBoxes, TheTrackBarsEndsAndTheLabelAndTheBoxesItems) {
    EXPECT_EQ(w->Label5->text(), "0");
    QTest::keyClick(w.get(), Qt::Key_R, Qt::AltModifier);
    ASSERT_TRUE(w->TrackBar1->hasFocus()) << "the group's accelerator";
    QTest::keyClick(w->TrackBar1, Qt::Key_End);
    EXPECT_EQ(w->TrackBar1->value(), 20);
    EXPECT_EQ(w->Label5->text(), "20");
    EXPECT_EQ(ReverbParameters.reverbMix, 0.0f);
    QTest::keyClick(w->TrackBar1, Qt::Key_Left);
    EXPECT_EQ(w->Label5->text(), "19");
    QTest::keyClick(w->TrackBar1, Qt::Key_Home);
    EXPECT_EQ(w->TrackBar1->value(), 0);
    EXPECT_EQ(w->Label5->text(), "0");
    EXPECT_EQ(ReverbParameters.reverbMix, -96.0f);
    EXPECT_EQ(ReverbParameters.reverbTime, 1200.0f) << "only the mix moves";

    QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(w->ComboBox1->hasFocus()) << "the group's accelerator";

    // The box lists "Off", then the presets in environment order.
    ASSERT_EQ(w->ComboBox1->count(), EnvironmentCount + 1);
    EXPECT_EQ(w->ComboBox1->itemText(0), "Off");
    for (int item = 1; item <= EnvironmentCount; ++item)
        EXPECT_EQ(w->ComboBox1->itemText(item), EnvironmentOfItem(item)->Name) << item;
}

// The window on the library's loopback device instead of an output device.
class EffectsHeard : public ProgramTest {
protected:
    void SetUp() override {
        create();
        ASSERT_TRUE(device.ok()) << BASS_ErrorGetCode();
        SetReverbDefaults();
        ToneSpec click;
        click.wave = Wave::Click; // 5 ms of DC, then silence
        click.seconds = 0.05;
        click.amplitude = 0.9;
        ASSERT_TRUE(writeTone(clickFile, click));
    }

    // Loads the click into slot n, one metre in front of the listener.
    void load(int n) {
        Sources[n].Position = {0.f, 0.f, 1.f};
        ASSERT_TRUE(w->LoadChannelFile(n, clickFile));
    }
    // Plays only channel n with the Play command and renders what follows.
    std::vector<float> play(int n, double seconds = 1.0) {
        for (int m = 1; m <= ChannelCount; ++m)
            Sources[m].Selected = m == n;
        w->PlayButtonClick();
        auto out = render(seconds);
        EXPECT_GT(peak(out, 0.0, 0.01), 0.1) << "the click itself";
        return out;
    }
    // Where the sound last rises above -60 dB of full scale, in seconds.
    static double tailEnd(const std::vector<float>& out) {
        for (size_t i = out.size(); i-- > 0;)
            if (std::fabs(out[i]) > 1e-3f)
                return static_cast<double>(i / 2) / kRenderRate;
        return 0.0;
    }
    void choose(const char* environment) {
        const int item = w->ComboBox1->findText(environment);
        ASSERT_GE(item, 0) << environment;
        w->ComboBox1->setCurrentIndex(item);
    }

    LoopbackDevice device;
    TempDir dir;
    std::string clickFile = dir.file("click.wav");
};

TEST_F(EffectsHeard, TheReverbLevelLengthensAndScalesTheTail) {
    load(1);
    const double dry = tailEnd(play(1));
    EXPECT_LT(dry, 0.05) << "level 0: no reverb";

    w->TrackBar1->setValue(20);
    const auto full = play(1);
    EXPECT_GT(tailEnd(full), dry + 0.3);

    render(3.0);                // the tail dies away
    w->TrackBar1->setValue(10); // -14.45 dB
    const auto half = play(1);
    const double ratio = (rms(half, 0, 0.05, 0.5) + rms(half, 1, 0.05, 0.5)) /
                         (rms(full, 0, 0.05, 0.5) + rms(full, 1, 0.05, 0.5));
    EXPECT_NEAR(20 * std::log10(ratio), -14.45, 0.5);
}

TEST_F(EffectsHeard, AHangarRingsLongerThanAPaddedCell) {
    load(1);
    choose("Padded Cell");
    const auto cellOut = play(1, 3.0);
    EXPECT_GT(rms(cellOut, 0, 0.01, 0.1), 1e-6) << "a padded cell is a room too";
    const double cell = tailEnd(cellOut);
    render(1.0);
    choose("Hangar");
    const double hangar = tailEnd(play(1, 3.0));
    EXPECT_GT(hangar, cell + 1.0);
}

TEST_F(EffectsHeard, OffTakesTheChannelsLoadedBeforeItOutOfTheRoom) {
    load(1);
    choose("Hangar");
    const auto before = play(1);
    EXPECT_GT(tailEnd(before), 0.5);

    choose("Off");
    const auto off = render(14.0); // the hangar dies away
    EXPECT_LT(peak(off, 0.05), 1e-4) << "the room falls silent at once";
    choose("Hangar");
    EXPECT_LT(tailEnd(play(1)), 0.05) << "channel 1 keeps the mix 0.0 Off gave it";

    load(2); // loaded afterwards: the library's default mix
    EXPECT_GT(tailEnd(play(2)), 0.5);
}

// What a room makes of a click: its level in three stretches of time (the
// decay's shape) and the share of high frequencies in it (its colour), in dB.
struct RoomPrint {
    double early, middle, late, brightness;
};

RoomPrint printOf(const std::vector<float>& out) {
    auto db = [&](double from, double to) {
        return 20 * std::log10(rms(out, 0, from, to) + rms(out, 1, from, to) + 1e-9);
    };
    // The first difference's energy against the signal's, after the click.
    double diff = 0, all = 0;
    for (size_t i = static_cast<size_t>(0.02 * kRenderRate) * 2 + 2; i < out.size(); i += 2) {
        const double d = static_cast<double>(out[i]) - out[i - 2];
        diff += d * d;
        all += static_cast<double>(out[i]) * out[i];
    }
    return {db(0.01, 0.1), db(0.1, 0.4), db(0.4, 1.5),
            10 * std::log10((diff + 1e-18) / (all + 1e-18))};
}

TEST_F(EffectsHeard, EveryEnvironmentIsARoomOfItsOwn) {
    std::vector<RoomPrint> prints;
    for (int item = 1; item <= EnvironmentCount; ++item) {
        // A fresh device for each, so that no tail of the last room lingers.
        BASS_Free();
        ASSERT_TRUE(AUDIOLIB_InitLoopback(kRenderRate, false));
        load(1);
        w->ComboBox1->setCurrentIndex(item);
        const RoomPrint print = printOf(play(1, 1.5));
        EXPECT_GT(std::max(print.early, print.middle), -70.0)
            << EnvironmentOfItem(item)->Name << ": the click leaves a room behind";
        prints.push_back(print);
    }
    for (size_t a = 0; a < prints.size(); ++a)
        for (size_t b = a + 1; b < prints.size(); ++b) {
            const RoomPrint &p = prints[a], &q = prints[b];
            const double apart =
                std::max({std::fabs(p.early - q.early), std::fabs(p.middle - q.middle),
                          std::fabs(p.late - q.late), std::fabs(p.brightness - q.brightness)});
            EXPECT_GT(apart, 1.5) << EnvironmentPresets[a].Name << " sounds like "
                                  << EnvironmentPresets[b].Name;
        }
}

TEST_F(EffectsHeard, AStereoChannelGetsTheReverbAndTheRoomToo) {
    ToneSpec click;
    click.wave = Wave::Click;
    click.seconds = 0.05;
    click.amplitude = 0.9;
    click.channels = 2;
    const std::string stereo = dir.file("stereo.wav");
    ASSERT_TRUE(writeTone(stereo, click));
    ASSERT_TRUE(w->LoadChannelFile(1, stereo));
    ASSERT_TRUE(Sources[1].IsStereo);
    w->TrackBar1->setValue(20);
    EXPECT_GT(tailEnd(play(1)), 0.3);
    w->TrackBar1->setValue(0);
    render(3.0);
    EXPECT_LT(tailEnd(play(1)), 0.05);
    choose("Hangar");
    EXPECT_GT(tailEnd(play(1)), 0.5);
}

} // namespace
