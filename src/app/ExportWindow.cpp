// The window's side of the export: the menu command, the scene handed to the
// exporter as a playlist, and the progress while a child process renders it.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSlider>
#include <QStandardPaths>
#include <cmath>
#include <memory>

#include "app/Language.h"
#include "app/PNAP.h"
#include "app/TerminationSignals.h"
#include "audiolib.h"
#include "channels/ChannelLevels.h"
#include "channels/Sources.h"
#include "export/ExportDialog.h"
#include "export/ExportJob.h"
#include "playlist/PlaylistFormat.h"
#include "widgets/StringGrid.h"

namespace {

// Numbers for people: in the user's locale.
QString Seconds(double s) {
    return QLocale().toString(s, 'f', 1);
}

std::string LocaleNumber(double v, int decimals) {
    return QLocale().toString(v, 'f', decimals).toStdString();
}

// The HRTF data set the audio menu chose, by name; empty for OpenAL Soft's
// own choice.
std::string ChosenHrtfDataSet() {
    AUDIOLIB_HRTF_INFO info{};
    if (!AUDIOLIB_GetHRTFInfo(&info) || info.dataset < 0)
        return {};
    const char* name = AUDIOLIB_GetHRTFName(static_cast<DWORD>(info.dataset));
    return name ? name : "";
}

} // namespace

void TFrmPhonaraPlayer::ExportClick() {
    if (ExportRunning)
        return;
    // The last export's file, format, rate and loudness; the first time, a
    // WAV file in the user's music folder where there is one (many machines
    // have none), else in the home folder.
    TExportOptions defaults;
    QString folder, name = "PhonaraPlayer.wav";
    if (LastExport) {
        const QFileInfo last(QString::fromStdString(LastExport->Output));
        folder = last.absolutePath();
        name = last.fileName();
        defaults.Format = LastExport->Format;
        defaults.OggQuality = LastExport->OggQuality;
        defaults.Rate = LastExport->Rate;
        defaults.NormalizeLufs = LastExport->NormalizeLufs;
    }
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    defaults.Output = QDir(folder).filePath(name).toStdString();
    // The last export's layout, else headphone 3D as the user hears it now;
    // loop when a channel loops now.
    AUDIOLIB_HRTF_INFO hrtf{};
    const bool hearingHrtf = AUDIOLIB_GetHRTFInfo(&hrtf) && hrtf.active;
    defaults.Layout = LastExport    ? LastExport->Layout
                      : hearingHrtf ? TExportLayout::Binaural
                                    : TExportLayout::Stereo;
    bool anySelected = false;
    for (int n = 1; n <= ChannelCount; ++n) {
        if (!Sources[n].Loaded)
            continue;
        anySelected = anySelected || IsChannelSelected(n);
        if (StringGrid1->cell(2, n) == "loop" &&
            BASS_ChannelIsActive(Sources[n].Handle) == BASS_ACTIVE_PLAYING)
            defaults.Loop = true;
    }
    TExportDialog dialog(defaults, anySelected, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    StartExport(dialog.options(), dialog.selectedOnly());
}

bool TFrmPhonaraPlayer::StartExport(const TExportOptions& chosen, bool selectedOnly) {
    if (ExportRunning)
        return false;
    // The scene is what a playlist of these channels holds, with each
    // channel's gain and mute, and the headphones' data set: what is heard.
    std::vector<TPlaylistChannel> channels;
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& slot = Sources[n];
        if (slot.Loaded && (!selectedOnly || IsChannelSelected(n))) {
            TPlaylistChannel c = PlaylistChannel(n);
            c.Gain = std::get<float>(Arrangement.Read(TField::Gain, n));
            c.Muted = std::get<bool>(Arrangement.Read(TField::Mute, n));
            channels.push_back(std::move(c));
        }
    }
    TExportOptions options = chosen;
    if (options.Layout == TExportLayout::Binaural && options.HrtfDataSet.empty())
        options.HrtfDataSet = ChosenHrtfDataSet();
    // The child's messages, shown here, in the window's language.
    options.Language = LanguageCode(CurrentLanguage());
    auto tell = [this](QMessageBox::Icon icon, const QString& text) {
        ExportReport = text;
        auto* box = new QMessageBox(icon, tr("書き出し"), text, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open(); // the window goes on meanwhile
    };
    if (channels.empty()) {
        tell(QMessageBox::Warning, tr("書き出すチャンネルがありません。"));
        return false;
    }
    const std::string playlist =
        FormatPlaylist(TrackBar1->value(), ComboBox1->currentIndex(), channels);

    auto* job = new TExportJob(this);
    const QString program =
        ExportProgram.isEmpty() ? QCoreApplication::applicationFilePath() : ExportProgram;
    if (!job->start(program, options, playlist)) {
        tell(QMessageBox::Critical, job->error());
        delete job;
        return false;
    }
    ExportRunning = job;
    LastExport = chosen;
    ExportReport.clear();

    auto* progress = new QProgressDialog(tr("書き出し中..."), tr("キャンセル"), 0, 1000, this);
    progress->setWindowTitle(tr("書き出し"));
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    progress->setWindowModality(Qt::NonModal);
    progress->setAttribute(Qt::WA_DeleteOnClose);
    ExportProgress = progress;
    progress->show();
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();

    connect(job, &TExportJob::progressed, progress, [progress, clock](double done, double total) {
        if (total <= 0) {
            progress->setMaximum(0); // no length known: a busy bar
            progress->setLabelText(tr("書き出し中... %1 秒").arg(Seconds(done)));
            return;
        }
        progress->setValue(static_cast<int>(1000 * std::min(1.0, done / total)));
        const double elapsed = clock->elapsed() / 1000.0;
        const double left = done > 0 ? elapsed * (total - done) / done : 0;
        progress->setLabelText(
            tr("書き出し中... %1 / %2 秒 (残り約 %3 秒)")
                .arg(Seconds(done), Seconds(total), QLocale().toString(std::ceil(left), 'f', 0)));
    });
    // Cancel answers at once: the dialog goes, the child ends in the background.
    connect(progress, &QProgressDialog::canceled, job, [this, job] {
        job->cancel();
        if (ExportProgress)
            ExportProgress->close();
        ExportProgress = nullptr;
    });
    connect(job, &TExportJob::finished, this, [this, job, chosen, selectedOnly, options, tell] {
        if (ExportProgress)
            ExportProgress->close();
        ExportProgress = nullptr;
        ExportRunning = nullptr;
        job->deleteLater();
        RepaintGrid();
        if (job->cancelled()) {
            ExportReport = tr("キャンセルしました。");
            return;
        }
        if (job->succeeded()) {
            tell(QMessageBox::Information,
                 tr("書き出しました: %1").arg(QString::fromStdString(options.Output)) + "\n" +
                     QString::fromStdString(
                         SummaryText(job->summary(), LocaleNumber, Translated, false)));
        } else if (job->exists()) {
            // The file came while the export ran: the question the dialog
            // asks, and the export again when the answer is yes.
            ExportReport = tr("%1 は既にあります。\n置き換えますか?")
                               .arg(QString::fromStdString(options.Output));
            auto* box = new QMessageBox(QMessageBox::Question, tr("書き出し"), ExportReport,
                                        QMessageBox::Yes | QMessageBox::No, this);
            box->setDefaultButton(QMessageBox::No);
            box->setAttribute(Qt::WA_DeleteOnClose);
            connect(box, &QMessageBox::finished, this, [this, chosen, selectedOnly](int answer) {
                if (answer != QMessageBox::Yes)
                    return;
                TExportOptions again = chosen;
                again.Force = true;
                StartExport(again, selectedOnly);
            });
            box->open();
        } else
            tell(QMessageBox::Critical, tr("書き出せませんでした。") + "\n" + job->error());
    });
    RepaintGrid();
    return true;
}

bool TFrmPhonaraPlayer::EndExportForClose() {
    if (!ExportRunning)
        return true;
    if (!TerminationRequested() &&
        QMessageBox::question(
            this, tr("書き出し"), tr("書き出し中です。書き出しを中止して終了しますか?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return false;
    // The child removes its partial file as it ends, after the window has
    // gone. (It may have finished while the question was open.)
    if (ExportRunning)
        ExportRunning->cancel();
    return true;
}
