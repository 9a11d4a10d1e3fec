// Headphone 3D against the recording double: the audio menu shows the stored
// choice at start, applies it once right after the device opens, and each
// item chosen calls the library once and is remembered for the next run.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

#include "FakeAudio.h"
#include "ProgramTest.h"
#include "QtPrinters.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/PNAP.h"
#include "channels/Sources.h"

namespace {

class Headphone : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fake::reset();
        fake::state().hrtfDataSets = {"Built-In 44100hz", "default-44100", "Mine & Yours"};
        testsupport::UseSettingsFolder(config.path());
    }

    QSettings settings() const { return QSettings("PhonaraPlayer", "PhonaraPlayer"); }

    // A new run of the program: the window, then the audio start-up.
    void start() {
        w.reset();
        fake::state().openDevice = 0;
        create();
        w->PluginFolder = QString::fromStdString(config.path());
        created = {w->HrtfAuto->isChecked(), w->HrtfOn->isChecked(), w->HrtfOff->isChecked()};
        fake::clearCalls();
        ASSERT_TRUE(w->BASSInitialize());
        showActive();
    }

    // Opens the audio menu with its accelerator and clicks item (in menu if
    // given: a submenu reached by keys).
    void choose(QAction* item, QMenu* submenu = nullptr) {
        QTest::keyClick(w.get(), Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MenuAudio->isVisible(); }));
        QMenu* menu = w->MenuAudio;
        if (submenu) {
            QTest::mouseMove(menu, menu->actionGeometry(submenu->menuAction()).center());
            QTest::keyClick(menu, Qt::Key_Right);
            ASSERT_TRUE(QTest::qWaitFor([&] { return submenu->isVisible(); }));
            menu = submenu;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        EXPECT_FALSE(w->MenuAudio->isVisible());
    }

    std::vector<double> onlySetHrtfCall() const {
        const auto calls = fake::calls("AUDIOLIB_SetHRTF");
        EXPECT_EQ(calls.size(), 1u);
        return calls.empty() ? std::vector<double>{} : calls.back().args;
    }

    testsupport::TempDir config;
    std::vector<bool> created; // auto, on, off as the window was created
};

TEST_F(Headphone, TheMenuFollowsTheFileMenuAndStartsAutomaticWithNothingStored) {
    start();
    const auto top = w->MainMenu1->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[0]->menu(), w->MenuOpenFile);
    EXPECT_EQ(top[1]->menu(), w->MenuEdit);
    EXPECT_EQ(top[2]->menu(), w->MenuAudio);
    EXPECT_EQ(w->MenuAudio->title(), "オーディオ(&O)");
    const auto items = w->MenuAudio->actions();
    ASSERT_EQ(items.size(), 13);
    EXPECT_EQ(items[0], w->HrtfAuto);
    EXPECT_EQ(items[0]->text(), "ヘッドホン 3D: 自動");
    EXPECT_EQ(items[1]->text(), "ヘッドホン 3D: オン");
    EXPECT_EQ(items[2]->text(), "ヘッドホン 3D: オフ");
    EXPECT_EQ(items[3]->menu(), w->MenuHrtfDataSet);
    // The output layout, its kept choice checked, no note while it is the
    // layout this run plays with; the headphone modes free under Automatic.
    EXPECT_EQ(items[4]->menu(), w->MenuOutputLayout);
    EXPECT_EQ(w->MenuOutputLayout->title(), "出力レイアウト(&L)");
    const auto layouts = w->MenuOutputLayout->actions();
    ASSERT_GE(layouts.size(), 9);
    EXPECT_EQ(layouts[0]->text(), "自動 (出力装置のまま)");
    EXPECT_TRUE(layouts[0]->isChecked());
    EXPECT_FALSE(w->OutputLayoutNote->isVisible());
    EXPECT_TRUE(w->HrtfOn->isEnabled());
    // The remote control's item follows the headphone items.
    EXPECT_EQ(items[5], w->RemoteControlAction);
    EXPECT_EQ(items[5]->text(), "OSC リモート...");
    EXPECT_TRUE(items[6]->isSeparator());
    // Then the motion paths' items.
    EXPECT_EQ(items[7], w->RecordMotionAction);
    EXPECT_EQ(items[8], w->ClearMotionAction);
    EXPECT_EQ(items[9], w->MotionModeAction);
    // Then the Levels window's.
    EXPECT_EQ(items[10], w->LevelsAction);
    EXPECT_TRUE(items[11]->isSeparator());
    EXPECT_EQ(items.back(), w->HrtfStatus);
    EXPECT_FALSE(w->HrtfStatus->isEnabled());

    EXPECT_EQ(created, (std::vector<bool>{true, false, false}));
    EXPECT_TRUE(fake::calls("AUDIOLIB_SetHRTF").empty()) << "the device opens automatic already";
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 無効: ヘッドホンが検出されていません");

    // Three data sets: the submenu lists them, an "&" shown as itself.
    const auto listed = w->MenuHrtfDataSet->actions();
    ASSERT_EQ(listed.size(), 6) << "three sets, then loading and removing SOFA sets";
    EXPECT_TRUE(listed[3]->isSeparator());
    EXPECT_EQ(listed[4], w->HrtfLoadSofa);
    EXPECT_EQ(listed[5], w->MenuHrtfRemove->menuAction());
    const auto sets = listed.mid(0, 3);
    EXPECT_TRUE(w->MenuHrtfDataSet->menuAction()->isVisible());
    EXPECT_EQ(sets[2]->text(), "Mine && Yours");
    EXPECT_TRUE(std::none_of(sets.begin(), sets.end(), [](QAction* a) { return a->isChecked(); }));

    // Headphones plugged in: automatic turns HRTF on by itself.
    fake::state().headphones = true;
    w->RefreshHrtfMenu();
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 有効");
    EXPECT_TRUE(sets[0]->isChecked()) << "the data set in use";
}

TEST_F(Headphone, EachChoiceCallsTheLibraryOnceAndSurvivesARestart) {
    start();
    fake::clearCalls();
    choose(w->HrtfOn);
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_ON, -1}));
    EXPECT_TRUE(w->HrtfOn->isChecked());
    EXPECT_FALSE(w->HrtfAuto->isChecked());
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 有効");
    EXPECT_EQ(settings().value("audio/hrtf").toString(), "on");
    fake::clearCalls();
    choose(w->HrtfOn);
    EXPECT_TRUE(fake::calls("AUDIOLIB_SetHRTF").empty()) << "on already: no dip in the sound";

    fake::clearCalls();
    choose(w->MenuHrtfDataSet->actions()[2], w->MenuHrtfDataSet);
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_ON, 2}));
    EXPECT_TRUE(w->MenuHrtfDataSet->actions()[2]->isChecked());
    EXPECT_EQ(settings().value("audio/hrtfDataSet").toString(), "Mine & Yours");

    fake::clearCalls();
    choose(w->HrtfOff);
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_OFF, 2}))
        << "the data set stays";
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 無効: オフにしています");

    // The next run: the menu shows "off" from the start, and the choice is
    // applied right after the device opens, the data set found by name.
    fake::state().hrtfDataSets = {"Mine & Yours", "Built-In 44100hz"};
    start();
    EXPECT_EQ(created, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_OFF, 0}));
    const auto& calls = fake::state().calls;
    const auto set = std::find_if(calls.begin(), calls.end(),
                                  [](const fake::Call& c) { return c.name == "AUDIOLIB_SetHRTF"; });
    const auto lastBass = std::find_if(std::make_reverse_iterator(set), calls.rend(),
                                       [](const fake::Call& c) { return c.name[0] == 'B'; });
    ASSERT_NE(lastBass, calls.rend());
    EXPECT_EQ(lastBass->name, "BASS_Init") << "applied as soon as the device is open";
    EXPECT_EQ(fake::state().hrtfMode, DWORD(AUDIOLIB_HRTF_OFF));
    EXPECT_TRUE(w->MenuHrtfDataSet->actions()[0]->isChecked());

    // A stored data set that is gone is left to OpenAL Soft.
    fake::state().hrtfDataSets = {"Built-In 44100hz"};
    start();
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_OFF, -1}));
    EXPECT_EQ(w->MenuHrtfDataSet->actions().size(), 4) << "one data set: nothing but SOFA files";
    EXPECT_TRUE(w->MenuHrtfDataSet->menuAction()->isVisible());
}

// The output layout is kept and applies at the next start, which the menu
// says; a layout that names the speakers decides headphone 3D, and the
// headphone items show its decision without taking clicks.
TEST_F(Headphone, TheOutputLayoutIsKeptForTheNextStartAndDecidesHeadphone3D) {
    start();
    QAction* five = nullptr;
    for (QAction* item : w->MenuOutputLayout->actions())
        if (item->text() == "5.1 (センターあり)")
            five = item;
    ASSERT_NE(five, nullptr);
    fake::clearCalls();
    choose(five, w->MenuOutputLayout);
    EXPECT_EQ(settings().value("audio/outputLayout").toString(), "5.1");
    EXPECT_TRUE(five->isChecked());
    EXPECT_TRUE(w->OutputLayoutNote->isVisible());
    EXPECT_EQ(w->OutputLayoutNote->text(),
              "次回の起動から有効になります (いまは 自動 (出力装置のまま))");
    EXPECT_TRUE(fake::calls("AUDIOLIB_SetHRTF").empty()) << "nothing changes in this run";
    EXPECT_EQ(KeptOutputLayout(), TOutputLayout::Surround51);

    const struct {
        TOutputLayout running;
        DWORD mode;
    } table[] = {{TOutputLayout::Surround51, AUDIOLIB_HRTF_OFF},
                 {TOutputLayout::Headphones, AUDIOLIB_HRTF_ON}};
    for (const auto& row : table) {
        w.reset();
        fake::state().openDevice = 0;
        create();
        w->SetRunningOutputLayout(row.running);
        fake::clearCalls();
        ASSERT_TRUE(w->BASSInitialize());
        EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{double(row.mode), -1}));
        EXPECT_FALSE(w->HrtfAuto->isEnabled());
        EXPECT_FALSE(w->HrtfOn->isEnabled());
        EXPECT_EQ(w->HrtfOn->isChecked(), row.mode == AUDIOLIB_HRTF_ON);
        EXPECT_EQ(w->HrtfOff->isChecked(), row.mode == AUDIOLIB_HRTF_OFF);
        EXPECT_EQ(w->OutputLayoutNote->isVisible(), row.running != TOutputLayout::Surround51);
    }
}

TEST_F(Headphone, AModeTheDeviceRefusesLeavesTheProgramRunningAndSaysWhy) {
    settings().setValue("audio/hrtf", "on");
    fake::state().hrtfSupported = false;
    start();
    EXPECT_EQ(created, (std::vector<bool>{false, true, false}));
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_ON, -1}));
    EXPECT_EQ(w->HrtfStatus->text(),
              "HRTF 無効: 出力形式が対応していません (44100/48000 Hz のステレオが必要です)");
    EXPECT_TRUE(w->isVisible());

    // The device refuses the reset itself: the status says so, the choice is kept.
    fake::state().hrtfResetFails = true;
    fake::clearCalls();
    choose(w->HrtfAuto);
    EXPECT_EQ(onlySetHrtfCall(), (std::vector<double>{AUDIOLIB_HRTF_AUTO, -1}));
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 無効: 出力装置が切り替えを受け付けません");
    EXPECT_EQ(settings().value("audio/hrtf").toString(), "auto");
    fake::state().hrtfResetFails = false;
    fake::state().hrtfSupported = true;
    choose(w->HrtfOn);
    EXPECT_EQ(w->HrtfStatus->text(), "HRTF 有効");
}

} // namespace
