// Headphone 3D on the real library and the null output: the user turns it on
// from the audio menu, hears it at once, and finds it on after a restart.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "QtPrinters.h"
#include "RealProgram.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Sources.h"

namespace {

// Each test starts the program itself, after choosing its settings folder.
class HeadphoneOnNullOutput : public RealProgramTest {
protected:
    void SetUp() override { testsupport::UseSettingsFolder(config.path()); }

    AUDIOLIB_HRTF_INFO info() const {
        AUDIOLIB_HRTF_INFO i{};
        EXPECT_TRUE(AUDIOLIB_GetHRTFInfo(&i));
        return i;
    }

    testsupport::TempDir config;
};

TEST_F(HeadphoneOnNullOutput, TurnedOnFromTheMenuAndStillOnAfterARestart) {
    start();
    EXPECT_TRUE(w->HrtfAuto->isChecked());
    EXPECT_FALSE(info().active);
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 無効: ヘッドホンが検出されていません");

    QTest::keyClick(w.get(), Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->MenuAudio->isVisible(); }));
    QTest::mouseClick(w->MenuAudio, Qt::LeftButton, {},
                      w->MenuAudio->actionGeometry(w->HrtfOn).center());
    EXPECT_TRUE(info().active);
    EXPECT_EQ(info().status, DWORD(AUDIOLIB_HRTF_ENABLED));
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 有効");
    // OpenAL Soft offers a data set per rate at least: the one in use is checked.
    const auto sets = w->MenuHrtfDataSet->actions();
    ASSERT_GT(sets.size(), 1);
    ASSERT_GE(info().inUse, 0);
    EXPECT_TRUE(sets[info().inUse]->isChecked());

    start();
    EXPECT_TRUE(w->HrtfOn->isChecked());
    EXPECT_TRUE(info().active) << "applied when the device opened";
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 有効");
}

} // namespace
