// The Levels window on the real library: each loaded channel's meter reads
// what it plays, a muted channel reads silence, a clip latches until clicked,
// screen readers read each meter, and the window is open again after a restart
// when it was open at the exit.
#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>
#include <cmath>

#include "RealProgram.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "levels/LevelsWindow.h"
#include "widgets/LevelMeter.h"

using namespace testsupport;

namespace {

class LevelsWindowTest : public RealProgramTest {
protected:
    void SetUp() override {
        UseSettingsFolder(settingsDir.path());
        RealProgramTest::SetUp();
    }
    TempDir dir, settingsDir;
};

TEST_F(LevelsWindowTest, MetersReadEachChannelAndTheClipLightLatchesUntilClicked) {
    const struct {
        int channel;
        double amplitude;
    } tones[] = {{1, std::pow(10.0, -6.0 / 20.0)}, {2, 0.5}, {4, 1.0}}; // -6 dBFS, muted, clipping
    for (const auto& t : tones) {
        const std::string file = dir.file(std::to_string(t.channel) + ".wav");
        ASSERT_TRUE(writeTone(file, {.seconds = 1.0, .amplitude = t.amplitude}));
        ASSERT_TRUE(w->LoadChannelFile(t.channel, file));
    }
    w->Arrangement.Mute(2, true, TOrigin::Key);

    // Ctrl+Shift+L opens it with a meter per loaded channel.
    QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    TLevelsWindow* levels = w->LevelsWindow;
    ASSERT_TRUE(levels->isVisible());
    EXPECT_TRUE(w->LevelsAction->isChecked());
    TLevelMeter *minus6 = levels->Meter(1), *muted = levels->Meter(2), *clipping = levels->Meter(4);
    ASSERT_TRUE(minus6 && muted && clipping);
    EXPECT_EQ(levels->Meter(3), nullptr);
    EXPECT_FALSE(levels->Reading()) << "nothing plays yet";

    for (int n : {1, 2, 4})
        Sources[n].Selected = true;
    w->LoopButtonClick();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::abs(minus6->Ballistics().PeakDb() + 6.0) <= 0.5; }, 3000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipping->Ballistics().Clipped(); }, 3000));
    // The muted channel plays, read after read, and stays silent.
    const long readings = levels->Readings();
    ASSERT_TRUE(QTest::qWaitFor([&] { return levels->Readings() >= readings + 10; }, 3000));
    EXPECT_EQ(BASS_ChannelIsActive(Sources[2].Handle), DWORD(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(std::isinf(muted->Ballistics().PeakDb()));
    EXPECT_FALSE(muted->Ballistics().Clipped() || minus6->Ballistics().Clipped());

    // A screen reader hears a level indicator named after its channel, its
    // value the peak in dBFS.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(levels)->role(), QAccessible::Window);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(minus6);
    EXPECT_EQ(a->role(), QAccessible::ProgressBar);
    EXPECT_EQ(a->text(QAccessible::Name), TLevelsWindow::tr("チャンネル %1 のレベル").arg(1));
    ASSERT_NE(a->valueInterface(), nullptr);
    EXPECT_NEAR(a->valueInterface()->currentValue().toDouble(), -6.0, 0.5);
    EXPECT_TRUE(a->text(QAccessible::Value).contains("dBFS"));

    // Everything stopped: the readings stop once the meters have fallen, and
    // the clip light stays lit until clicked.
    w->StopButtonClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !levels->Reading(); }, 5000));
    EXPECT_TRUE(clipping->Ballistics().Clipped());
    QTest::mouseClick(clipping, Qt::LeftButton, {}, clipping->ClipLightRect().center());
    EXPECT_FALSE(clipping->Ballistics().Clipped());
    const long resting = levels->Readings();
    w->RepaintGrid(); // a refresh while nothing plays starts no reading
    EXPECT_FALSE(levels->Reading());
    EXPECT_EQ(levels->Readings(), resting);

    // Open at the exit: open again at the next start; closed: closed.
    for (bool open : {true, false}) {
        start();
        w->RestoreLevelsWindow();
        EXPECT_EQ(w->LevelsWindow->isVisible(), open);
        QTest::keyClick(w.get(), Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    }
}

} // namespace
