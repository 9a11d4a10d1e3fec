// Personal HRTFs in the audio menu: loading a SOFA file into the user's data
// folder on a worker thread, choosing the new set at once, removing the sets
// loaded so.
#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QThread>
#include <atomic>
#include <memory>
#include <utility>

#include "app/Language.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "hrtf/SofaConvert.h"

namespace {

// What the worker hands back; the cancel flag goes the other way.
struct TSofaLoad {
    std::atomic<bool> Cancel{false};
    bool Ok = false;
    std::string Name;
    TSofaProblem Problem;
};

int ListedIndex(const QString& entry) {
    for (DWORD i = 0; const char* n = AUDIOLIB_GetHRTFName(i); ++i)
        if (entry == QString::fromUtf8(n))
            return static_cast<int>(i);
    return -1;
}

} // namespace

void TFrmPhonaraPlayer::BuildSofaMenu() {
    HrtfSofaSeparator = MenuHrtfDataSet->addSeparator();
    HrtfLoadSofa = MenuHrtfDataSet->addAction(QString());
    connect(HrtfLoadSofa, &QAction::triggered, this, [this] { LoadSofaClick(); });
    MenuHrtfRemove = MenuHrtfDataSet->addMenu(QString());
    SofaDialog.DialogKind = TFileDialog::Kind::Open;
    SofaDialog.FileMustExist = true;
    RefreshSofaRemoveMenu();
}

void TFrmPhonaraPlayer::RetranslateSofaMenu() {
    HrtfLoadSofa->setText(tr("SOFA ファイルを読み込む..."));
    MenuHrtfRemove->setTitle(tr("読み込んだデータセットを削除"));
    SofaDialog.Title = tr("SOFA ファイルを読み込む");
    SofaDialog.Filter =
        (tr("SOFA ファイル (*.sofa)") + "|*.sofa;*.SOFA|" + tr("すべてのファイル") + "|*")
            .toStdString();
}

void TFrmPhonaraPlayer::RefreshSofaRemoveMenu() {
    MenuHrtfRemove->clear();
    const auto sets = InstalledHrtfSets(HrtfDataFolder());
    for (const auto& set : sets) {
        const QString name = QString::fromStdString(set);
        QAction* item = MenuHrtfRemove->addAction(QString(name).replace('&', "&&"));
        item->setData(name);
        connect(item, &QAction::triggered, this, [this, name] { RemoveSofaClick(name); });
    }
    MenuHrtfRemove->menuAction()->setEnabled(!sets.empty());
}

void TFrmPhonaraPlayer::LoadSofaClick() {
    if (SofaWorker || !SofaDialog.Execute(this))
        return;
    StartSofaLoad(SofaDialog.FileName);
}

bool TFrmPhonaraPlayer::StartSofaLoad(const QString& path) {
    if (SofaWorker)
        return false;
    auto load = std::make_shared<TSofaLoad>();
    const std::string file = path.toStdString();
    const std::string folder = HrtfDataFolder();
    auto* progress =
        new QProgressDialog(tr("SOFA ファイルを変換中..."), tr("キャンセル"), 0, 0, this);
    progress->setWindowTitle(tr("SOFA ファイルを読み込む"));
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setWindowModality(Qt::NonModal);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    SofaProgress = progress;
    progress->show();
    // Cancel answers at once; the worker stops at its next step and installs
    // nothing.
    connect(progress, &QProgressDialog::canceled, this, [this, load] {
        load->Cancel = true;
        if (SofaProgress)
            SofaProgress->close();
        SofaProgress = nullptr;
    });

    SofaWorker = QThread::create([this, load, file, folder] {
        load->Ok = LoadSofaFile(file, folder, load->Name, load->Problem, [&](double done) {
            // Reading is one step libmysofa takes alone: the bar starts after it.
            const int value = static_cast<int>(1000 * done);
            QMetaObject::invokeMethod(
                this,
                [this, value] {
                    if (SofaProgress) {
                        SofaProgress->setMaximum(1000);
                        SofaProgress->setValue(value);
                    }
                },
                Qt::QueuedConnection);
            return !load->Cancel.load() && !QThread::currentThread()->isInterruptionRequested();
        });
    });
    SofaWorker->setParent(this);
    connect(SofaWorker, &QThread::finished, this, [this, load, path] {
        SofaWorker->deleteLater();
        SofaWorker = nullptr;
        // Closing the dialog would say "cancel": it goes quietly.
        if (QProgressDialog* progress = std::exchange(SofaProgress, nullptr)) {
            progress->disconnect(this);
            progress->close();
        }
        if (load->Cancel) {
            SofaReport = tr("キャンセルしました");
            return;
        }
        auto tell = [this](QMessageBox::Icon icon, const QString& text) {
            SofaReport = text;
            auto* box =
                new QMessageBox(icon, tr("SOFA ファイルを読み込む"), text, QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
        };
        if (!load->Ok) {
            tell(
                QMessageBox::Warning,
                tr("%1 を読み込めません: %2")
                    .arg(path, QString::fromStdString(SofaProblemText(load->Problem, Translated))));
            return;
        }
        const QString name = QString::fromStdString(load->Name);
        RefreshSofaRemoveMenu();
        RefreshHrtfMenu(); // OpenAL Soft lists the data folder anew on each look
        if (ChooseHrtfSet(name))
            SofaReport = tr("HRTF データセット「%1」を読み込みました").arg(name);
        else
            tell(QMessageBox::Information,
                 tr("データセット「%1」を読み込みました。出力装置では使えません").arg(name));
    });
    SofaWorker->start();
    return true;
}

bool TFrmPhonaraPlayer::ChooseHrtfSet(const QString& setName) {
    // A set per rate: the one at the device's rate renders; OpenAL Soft
    // takes another set when a file's rate does not match.
    for (int rate : HrtfRates()) {
        const int index =
            ListedIndex(QString::fromStdString(HrtfEntryName(setName.toStdString(), rate)));
        if (index < 0)
            continue;
        HrtfDataSetClick(index);
        AUDIOLIB_HRTF_INFO info{};
        AUDIOLIB_GetHRTFInfo(&info);
        if (!info.active || info.inUse == index)
            return true;
    }
    return false;
}

void TFrmPhonaraPlayer::RemoveSofaClick(const QString& setName) {
    QSettings settings("PhonaraPlayer", "PhonaraPlayer");
    const QString chosen = settings.value("audio/hrtfDataSet").toString();
    for (int rate : HrtfRates())
        if (chosen == QString::fromStdString(HrtfEntryName(setName.toStdString(), rate)))
            settings.remove("audio/hrtfDataSet");
    settings.sync();
    if (!RemoveHrtfSet(HrtfDataFolder(), setName.toStdString()))
        SofaReport = tr("HRTF データセット「%1」を削除できません").arg(setName);
    else
        SofaReport = tr("HRTF データセット「%1」を削除しました").arg(setName);
    // The list has moved: the stored choice is found again by name.
    ApplyStoredHrtf();
    RefreshSofaRemoveMenu();
}

void TFrmPhonaraPlayer::StopSofaLoad() {
    if (!SofaWorker)
        return;
    SofaWorker->requestInterruption();
    SofaWorker->wait();
}
