// Personal HRTFs from the audio menu on the real library: a SOFA file loaded
// while the window goes on, listed and chosen at once, heard as the window's
// export renders it, a cancelled load that installs nothing, removal, and
// exports with a set.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "AudioRender.h"
#include "FileMeasures.h"
#include "Modal.h"
#include "ProgramRun.h"
#include "QtPrinters.h"
#include "RealProgram.h"
#include "ScopedValue.h"
#include "SoundFiles.h"
#include "UserSettings.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Placing.h"
#include "export/ExportJob.h"
#include "hrtf/SofaConvert.h"

namespace {

const QString Kemar = "/usr/share/libmysofa/MIT_KEMAR_normal_pinna.sofa";
const QString KemarSet = "MIT KEMAR, normal pinna";

class SofaMenu : public RealProgramTest {
protected:
    void SetUp() override {
        testsupport::UseSettingsFolder(config.path());
        RealProgramTest::SetUp();
    }
    void TearDown() override { w.reset(); }

    // Opens the audio menu by its accelerator, walks into each submenu with
    // the arrow keys, and clicks item.
    void choose(QAction* item, const std::vector<QMenu*>& submenus) {
        QTest::keyClick(w.get(), Qt::Key_O, Qt::AltModifier);
        ASSERT_TRUE(QTest::qWaitFor([&] { return w->MenuAudio->isVisible(); }));
        QMenu* menu = w->MenuAudio;
        for (QMenu* submenu : submenus) {
            for (int i = 0; i < 20 && menu->activeAction() != submenu->menuAction(); ++i)
                QTest::keyClick(menu, Qt::Key_Down);
            ASSERT_EQ(menu->activeAction(), submenu->menuAction());
            QTest::keyClick(menu, Qt::Key_Right);
            ASSERT_TRUE(QTest::qWaitFor([&] { return submenu->isVisible(); }));
            menu = submenu;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    }

    auto folder() const { return testsupport::folderState(HrtfDataFolder()); }

    QStringList listedSets() const {
        QStringList names;
        for (QAction* item : w->MenuHrtfDataSet->actions())
            if (item->actionGroup())
                names << item->data().toString();
        return names;
    }

    testsupport::TempDir config, data, files;
    testsupport::ScopedEnv dataHome{"XDG_DATA_HOME", data.path()};
};

TEST_F(SofaMenu, LoadedWhileTheWindowGoesOnChosenHeardAsExportedKeptAndRemoved) {
    // What plays is rendered: the device is a loopback one, opened as the
    // export opens its own (without OpenAL Soft's limiter and its delay).
    BASS_Free();
    ASSERT_TRUE(AUDIOLIB_InitLoopbackFlags(testsupport::kRenderRate, AUDIOLIB_HRTF_OFF, -1, 2,
                                           AUDIOLIB_LOOPBACK_NOLIMITER));
    choose(w->HrtfOn, {});
    ASSERT_FALSE(listedSets().contains(KemarSet + "-44100"));
    EXPECT_FALSE(w->MenuHrtfRemove->menuAction()->isEnabled()) << "nothing loaded yet";

    // The window's own timer runs on while the file converts.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    const int dialogs =
        testsupport::HandleModals([&] { choose(w->HrtfLoadSofa, {w->MenuHrtfDataSet}); },
                                  [&](QWidget* modal) {
                                      auto* d = qobject_cast<QFileDialog*>(modal);
                                      ASSERT_NE(d, nullptr);
                                      d->selectFile(Kemar);
                                      QMetaObject::invokeMethod(d, "accept");
                                  });
    EXPECT_EQ(dialogs, 1);
    ASSERT_NE(w->SofaProgress, nullptr);
    EXPECT_TRUE(w->SofaProgress->isVisible());
    const int ticksAtStart = ticks;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->SofaWorker; }, 60000));
    EXPECT_GT(ticks, ticksAtStart + 3) << "the window was not held while converting";
    EXPECT_EQ(w->SofaReport, "HRTF データセット「" + KemarSet + "」を読み込みました");
    EXPECT_EQ(w->SofaProgress, nullptr);

    // Listed and chosen at once, without a restart; kept for the next run.
    const int index = static_cast<int>(listedSets().indexOf(KemarSet + "-44100"));
    ASSERT_GE(index, 0) << listedSets().join(", ").toStdString();
    AUDIOLIB_HRTF_INFO info{};
    ASSERT_TRUE(AUDIOLIB_GetHRTFInfo(&info));
    EXPECT_TRUE(info.active);
    EXPECT_EQ(info.inUse, index);
    EXPECT_TRUE(w->MenuHrtfDataSet->actions()[index]->isChecked());
    EXPECT_EQ(QSettings("PhonaraPlayer", "PhonaraPlayer").value("audio/hrtfDataSet").toString(),
              KemarSet + "-44100");

    // The window's export with the set is what plays: a noise at the left,
    // and a tone in front and above that ends sooner; quiet enough that the
    // export's own limiter, after its mix, has nothing to do.
    testsupport::render(0.1); // the device's output before anything plays
    const std::string left = files.file("left.wav"), up = files.file("up.wav");
    ASSERT_TRUE(testsupport::writeTone(left, {1, 44100, 0.5, 0, 0.1, testsupport::Wave::Noise}));
    ASSERT_TRUE(testsupport::writeTone(up, {1, 44100, 0.2, 700, 0.4}));
    ASSERT_TRUE(w->LoadChannelFile(1, left));
    ASSERT_TRUE(w->LoadChannelFile(2, up));
    PlaceSource(1, {-1.5f, 0.f, 0.f}, TPanRule::FromX());
    PlaceSource(2, {0.f, 1.f, 1.f}, TPanRule::FromX());
    w->StartPlayback(false, [](int) { return true; });
    const std::vector<float> heard = testsupport::render(0.6);
    TExportOptions options;
    options.Format = TExportFormat::Float;
    options.Layout = TExportLayout::Binaural;
    options.Output = files.file("heard.wav");
    options.Seconds = 0.6;
    w->ExportProgram = testsupport::ProgramPath();
    ASSERT_TRUE(w->StartExport(options, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->ExportRunning == nullptr; }, 60000));
    EXPECT_TRUE(w->ExportReport.startsWith("書き出しました")) << w->ExportReport.toStdString();
    const std::vector<float> exported = testsupport::readSound(options.Output).samples;
    ASSERT_EQ(exported.size(), heard.size());
    std::vector<float> difference(heard.size());
    std::transform(heard.begin(), heard.end(), exported.begin(), difference.begin(),
                   std::minus<>());
    EXPECT_LE(testsupport::peak(difference), 1e-6);
    EXPECT_GT(testsupport::rms(heard, 1, 0, 0.2), 0.01) << "the source above is heard";
    for (const auto* s : {&heard, &exported}) // the source at the left alone
        EXPECT_GT(testsupport::rms(*s, 0, 0.25, 0.5), 2 * testsupport::rms(*s, 1, 0.25, 0.5));
    start();
    ASSERT_TRUE(AUDIOLIB_GetHRTFInfo(&info));
    EXPECT_EQ(QString(AUDIOLIB_GetHRTFName(static_cast<DWORD>(info.inUse))), KemarSet + "-44100");
    const auto installed = folder();
    EXPECT_EQ(installed.size(), 3u);

    // A cancelled load leaves the folder as it was.
    ASSERT_TRUE(w->StartSofaLoad(Kemar));
    QPushButton* cancel = w->SofaProgress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(w->SofaProgress, nullptr) << "cancel answers at once";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->SofaWorker; }, 60000));
    EXPECT_EQ(w->SofaReport, "キャンセルしました");
    EXPECT_EQ(folder(), installed);

    // Removed from the same menu: the files go, the choice returns to OpenAL
    // Soft's, the list no longer has it.
    // The offscreen platform gives the focus back to no one.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    ASSERT_EQ(w->MenuHrtfRemove->actions().size(), 1);
    QAction* remove = w->MenuHrtfRemove->actions()[0];
    EXPECT_EQ(remove->text(), KemarSet);
    choose(remove, {w->MenuHrtfDataSet, w->MenuHrtfRemove});
    EXPECT_TRUE(folder().empty());
    EXPECT_FALSE(listedSets().contains(KemarSet + "-44100"));
    EXPECT_FALSE(QSettings("PhonaraPlayer", "PhonaraPlayer").contains("audio/hrtfDataSet"));
    ASSERT_TRUE(AUDIOLIB_GetHRTFInfo(&info));
    EXPECT_TRUE(info.active);
    EXPECT_FALSE(
        QString(AUDIOLIB_GetHRTFName(static_cast<DWORD>(info.inUse))).startsWith(KemarSet));

    // An export from the command line loads the file ("--hrtf-set FILE.sofa")
    // and picks the set by its name later, rendering the same; OpenAL Soft's
    // own set sounds otherwise.
    const std::string tone = files.file("tone.wav");
    ASSERT_TRUE(testsupport::writeTone(tone, {1, 44100, 0.3, 0, 0.5, testsupport::Wave::Noise}));
    auto exportWith = [&](const QString& set) {
        const std::string out = files.file("out.wav");
        const auto run = testsupport::RunPhonara(
            {"--export", out, "--force", "--rate", "48000", "--layout", "binaural", "--hrtf-set",
             set.toStdString(), "--seconds", "0.3", "--", tone},
            {{{"XDG_DATA_HOME", QString::fromStdString(data.path())}}});
        EXPECT_EQ(run.status, 0) << run.err;
        return testsupport::readBytes(out);
    };
    const auto fromFile = exportWith(Kemar);
    EXPECT_EQ(folder().size(), 3u);
    const auto byName = exportWith(KemarSet);
    EXPECT_EQ(byName, fromFile) << "the set's name renders the same";
    const auto byDefault = exportWith("default-44100");
    EXPECT_EQ(byDefault.size(), fromFile.size());
    EXPECT_NE(byDefault, fromFile) << "OpenAL Soft's own set sounds otherwise";
}

} // namespace
