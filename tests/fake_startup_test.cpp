// The audio start-up against the recording double: device choice, EAX,
// plug-in filter entries and the fatal ends, which this machine's single null
// device cannot show.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "FakeAudio.h"
#include "Modal.h"
#include "ProgramTest.h"
#include "QtPrinters.h"
#include "SoundFiles.h"
#include "app/PNAP.h"
#include "audio/DevSelect.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "widgets/DialogFilter.h"

using testsupport::HandleModals;
using testsupport::MessagesShownBy;

namespace {

class Startup : public ProgramTest {
protected:
    void SetUp() override {
        fake::reset();
        ReverbParameters = {};
        create();
        w->PluginFolder = QString::fromStdString(plugins.path());
    }

    // Runs the start-up; every device selector it shows goes to choose.
    bool start(const std::function<void(TFrmDevSelector*)>& choose = {}) {
        bool result = false;
        selectorsShown = HandleModals([&] { result = w->BASSInitialize(); },
                                      [&](QWidget* modal) {
                                          auto* selector = qobject_cast<TFrmDevSelector*>(modal);
                                          ASSERT_NE(selector, nullptr)
                                              << modal->metaObject()->className();
                                          if (choose)
                                              choose(selector);
                                          else
                                              selector->Button1->click();
                                      });
        return result;
    }

    int finalDevice() const {
        const auto inits = fake::calls("BASS_Init");
        return inits.empty() ? 0 : static_cast<int>(inits.back().args[0]);
    }

    testsupport::TempDir plugins;
    int selectorsShown = 0;
};

TEST_F(Startup, OneDeviceOpensItWithoutAskingAndProbesEax) {
    ASSERT_TRUE(start());
    EXPECT_EQ(selectorsShown, 0);
    const auto inits = fake::calls("BASS_Init");
    ASSERT_EQ(inits.size(), 2u) << "the probe, then the real opening";
    EXPECT_EQ(inits[1].args, (std::vector<double>{1, 44100, BASS_DEVICE_3D, 1, 0}));
    EXPECT_EQ(fake::state().openDevice, 1);
    const auto factors = fake::calls("BASS_Set3DFactors");
    ASSERT_EQ(factors.size(), 1u);
    EXPECT_EQ(factors[0].args, (std::vector<double>{1, 1, 1}));
    const auto eax = fake::calls("BASS_SetEAXParameters");
    ASSERT_EQ(eax.size(), 1u);
    EXPECT_EQ(eax[0].args, (std::vector<double>{-1, 0, -1, -1}));
    EXPECT_FALSE(w->ComboBox1->isEnabled());
    EXPECT_EQ(w->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(ReverbParameters.inGain, 0.f);
    EXPECT_EQ(ReverbParameters.reverbMix, -96.f);
    EXPECT_EQ(ReverbParameters.reverbTime, 1200.f);
    EXPECT_EQ(ReverbParameters.highFreqRTRatio, 0.1f);
}

TEST_F(Startup, SeveralDevicesListTheOpenableOnesAndTheHighlightedRowCounts) {
    fake::state().devices = {
        {"Speakers", true, false}, {"Broken", false, false}, {"Headphones", true, true}};
    QStringList rows;
    int preselected = -1;
    ASSERT_TRUE(start([&](TFrmDevSelector* s) {
        for (int i = 0; i < s->ListBox1->count(); ++i)
            rows << s->ListBox1->item(i)->text();
        preselected = s->ListBox1->currentRow();
        EXPECT_EQ(s->windowTitle(), "BASS output device selector");
        EXPECT_EQ(s->size(), QSize(255, 98));
        EXPECT_FALSE(s->Button1->isDefault());
        // Choose with the keyboard, then close the dialog without OK.
        QTest::keyClick(s->ListBox1, Qt::Key_Down);
        QTest::keyClick(s->ListBox1, Qt::Key_Return);
        EXPECT_TRUE(s->isVisible()) << "Enter in the list does not close the selector";
        s->close();
    }));
    EXPECT_EQ(selectorsShown, 1);
    EXPECT_EQ(rows, (QStringList{"Speakers", "Headphones [EAX]"}));
    EXPECT_EQ(preselected, 0);
    EXPECT_EQ(finalDevice(), 3);
    EXPECT_TRUE(w->ComboBox1->isEnabled()) << "the chosen device offers EAX";
    EXPECT_EQ(w->ComboBox1->currentIndex(), 0);
}

TEST_F(Startup, TwoDevicesOneOpenableShowsASingleRow) {
    fake::state().devices = {{"Speakers", true, false}, {"Gone", false, false}};
    int rows = 0;
    ASSERT_TRUE(start([&](TFrmDevSelector* s) {
        rows = s->ListBox1->count();
        s->Button1->click();
    }));
    EXPECT_EQ(selectorsShown, 1) << "two devices exist, so the user is asked";
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(finalDevice(), 1);
}

TEST_F(Startup, ChoosingTheDeviceWithoutEaxLeavesTheEnvironmentBoxDisabled) {
    fake::state().devices = {{"Plain", true, false}, {"Rich", true, true}};
    QString richRow;
    ASSERT_TRUE(start([&](TFrmDevSelector* s) {
        richRow = s->ListBox1->item(1)->text();
        s->Button1->click();
    }));
    EXPECT_EQ(richRow, "Rich [EAX]");
    EXPECT_EQ(finalDevice(), 1);
    EXPECT_FALSE(w->ComboBox1->isEnabled());
}

TEST_F(Startup, WrongLibraryVersionEndsBeforeAnyDeviceIsOpened) {
    fake::state().version = 0x02040000;
    bool result = true;
    const QString shown = MessagesShownBy([&] { result = w->BASSInitialize(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(shown, "An incorrect version of BASS.DLL was loaded");
    EXPECT_TRUE(fake::calls("BASS_Init").empty());
}

TEST_F(Startup, NoDeviceAtAllCannotInitialize) {
    fake::state().devices.clear();
    bool result = true;
    const QString shown = MessagesShownBy([&] { result = w->BASSInitialize(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(shown, "Can't initialize output device");
}

TEST_F(Startup, DevicesThatAllFailToOpenEndWithoutAskingForAnInvalidChoice) {
    fake::state().devices = {{"A", false, false}, {"B", false, false}};
    bool result = true;
    const QString shown = MessagesShownBy([&] { result = w->BASSInitialize(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(shown, "Can't initialize output device");
    for (const auto& call : fake::calls("BASS_Init"))
        EXPECT_GE(call.args[0], 1) << "never an invalid device number";
}

TEST_F(Startup, AbandonedStartupTearsNothingDown) {
    fake::state().devices.clear();
    MessagesShownBy([&] { EXPECT_FALSE(w->BASSInitialize()); });
    fake::clearCalls();
    w->AbandonStartup();
    w.reset();
    EXPECT_TRUE(fake::calls("BASS_Free").empty());
    EXPECT_TRUE(fake::calls("BASS_Stop").empty());
}

TEST_F(Startup, PluginFormatsAppendFilterEntriesInFileThenFormatOrder) {
    auto plugin = [&](const std::string& file, std::vector<BASS_PLUGINFORM> formats) {
        testsupport::writeBytes(plugins.file(file), {0x7f, 'E', 'L', 'F'});
        fake::state().plugins[plugins.file(file)].formats = std::move(formats);
    };
    plugin("bassb.so", {{"Bee", "*.bee"}, {"Bumble", "*.bb;*.bmb"}});
    plugin("bassa.so", {{"Ay", "*.ay"}, {"Aye", "*.aye"}});
    plugin("bassnone.so", {});
    testsupport::writeBytes(plugins.file("bassjunk.so"), {'x'}); // refused by the library
    testsupport::writeBytes(plugins.file("other.so"), {'x'});    // not matching the pattern

    ASSERT_TRUE(start());
    const auto entries = ParseFilter(w->OpenDialog1.Filter);
    // After the built-in entries, FLAC and AIFF the last of them.
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries[7].Text, "AIFF (*.aiff;*.aifc)");
    EXPECT_EQ(entries[8].Text, "Ay (*.ay)");
    EXPECT_EQ(entries[9].Text, "Aye (*.aye)");
    EXPECT_EQ(entries[10].Text, "Bee (*.bee)");
    EXPECT_EQ(entries[11].Text, "Bumble (*.bb;*.bmb)");
    EXPECT_EQ(entries[11].Patterns, (std::vector<std::string>{"*.bb", "*.bmb"}));

    QStringList tried;
    for (const auto& call : fake::calls("BASS_PluginLoad")) {
        tried << QString::fromStdString(call.text).section('/', -1);
        EXPECT_EQ(call.args[0], 0);
    }
    EXPECT_EQ(tried, (QStringList{"bassa.so", "bassb.so", "bassjunk.so", "bassnone.so"}));
}

} // namespace
