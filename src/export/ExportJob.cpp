#include "export/ExportJob.h"

#include <QDir>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

#include "export/ExportSink.h"
#include "files/AtomicFile.h"
#include "files/FileError.h"

namespace {

// How long a child asked to stop may take before it is ended outright.
constexpr int StopMilliseconds = 3000;

// Asks the child to stop, and ends it outright when it does not answer.
void StopChild(QProcess* process) {
    process->terminate();
    QTimer::singleShot(StopMilliseconds, process, [process] {
        if (process->state() != QProcess::NotRunning)
            process->kill();
    });
}

} // namespace

TExportJob::TExportJob(QObject* parent) : QObject(parent), process_(new QProcess(this)) {
    connect(process_, &QProcess::readyReadStandardOutput, this, &TExportJob::readOutput);
    connect(process_, &QProcess::finished, this, &TExportJob::childFinished);
    // A window that ends without a word (a crash, SIGKILL) still stops its
    // export: the child is told as its parent goes, and removes its files.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

TExportJob::~TExportJob() {
    if (playlistFd_ >= 0) {
        ::unlink(playlistPath_.c_str());
        ::close(playlistFd_);
    }
    if (!running())
        return;
    // Killing it outright would leave its temporary file behind, and waiting
    // for it would hold up the window: the process object outlives the job
    // until the child has gone.
    disconnect(process_, nullptr, this, nullptr);
    process_->setParent(nullptr);
    connect(process_, &QProcess::finished, process_, &QObject::deleteLater);
    StopChild(process_);
}

bool TExportJob::start(const QString& program, TExportOptions options,
                       const std::string& playlistText) {
    // What windows that were killed left there goes first.
    const std::string folder = QDir::tempPath().toStdString() + "/";
    RemoveLeftoverTemporaryFiles(folder);
    std::string why;
    playlistFd_ = CreateScenePlaylist(folder, "phonaraplayer-export", playlistPath_);
    if (playlistFd_ < 0)
        why = FileErrorText(errno);
    if (playlistFd_ < 0 || !WriteAll(playlistFd_, playlistText.data(), playlistText.size(), why)) {
        error_ = tr("一時ファイルを作成できません: %1").arg(QString::fromStdString(why));
        return false;
    }
    options.Playlist = playlistPath_;
    options.MachineProgress = true;
    QStringList args;
    for (const std::string& a : ExportArguments(options))
        args << QString::fromStdString(a);
    // What the child says on stderr is the reason of a failure.
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    process_->start(program, args, QIODevice::ReadOnly);
    // Known at once (fork and exec): a program that cannot start is said so
    // by the caller, not by a later signal.
    if (!process_->waitForStarted(10000)) {
        error_ = tr("書き出しを開始できません: %1").arg(process_->errorString());
        return false;
    }
    return true;
}

void TExportJob::cancel() {
    if (!running())
        return;
    cancelled_ = true;
    StopChild(process_);
}

void TExportJob::readOutput() {
    pending_ += process_->readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const TChildLine line = ParseChildLine(pending_.left(end).toStdString());
        pending_.remove(0, end + 1);
        if (line.LineKind == TChildLine::Kind::Progress) {
            emit progressed(line.Rendered, line.Total);
        } else if (line.LineKind == TChildLine::Kind::Exists) {
            exists_ = true;
        } else if (line.LineKind == TChildLine::Kind::Result) {
            summary_ = line.Summary;
            gotResult_ = true;
        }
    }
}

void TExportJob::childFinished(int exitCode, QProcess::ExitStatus status) {
    readOutput();
    succeeded_ = !cancelled_ && status == QProcess::NormalExit && exitCode == 0 && gotResult_;
    if (!succeeded_ && !cancelled_) {
        QString why = QString::fromLocal8Bit(process_->readAllStandardError()).trimmed();
        why.remove("phonaraplayer: ");
        error_ = why.isEmpty() ? tr("書き出しに失敗しました (%1)").arg(exitCode) : why;
    }
    emit finished();
}
