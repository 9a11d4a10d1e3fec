#include "export/ExportJob.h"

#include <QDir>
#include <QTimer>

TExportJob::TExportJob(QObject* parent)
    : QObject(parent), playlist_(QDir::temp().filePath("phonaraplayer-export-XXXXXX.pna")) {
    connect(&process_, &QProcess::readyReadStandardOutput, this, &TExportJob::readOutput);
    connect(&process_, &QProcess::finished, this, &TExportJob::childFinished);
}

TExportJob::~TExportJob() {
    if (!running())
        return;
    // Killing it outright would leave its temporary file behind.
    disconnect(&process_, nullptr, this, nullptr);
    process_.terminate();
    if (!process_.waitForFinished(3000))
        process_.kill();
    process_.waitForFinished(1000);
}

bool TExportJob::start(const QString& program, TExportOptions options,
                       const std::string& playlistText) {
    if (!playlist_.open() ||
        playlist_.write(playlistText.data(), static_cast<qint64>(playlistText.size())) !=
            static_cast<qint64>(playlistText.size()) ||
        !playlist_.flush()) {
        error_ = tr("一時ファイルを作成できません: %1").arg(playlist_.errorString());
        return false;
    }
    playlist_.close();
    options.Playlist = playlist_.fileName().toStdString();
    options.MachineProgress = true;
    QStringList args;
    for (const std::string& a : ExportArguments(options))
        args << QString::fromStdString(a);
    // What the child says on stderr is the reason of a failure.
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(program, args, QIODevice::ReadOnly);
    // Known at once (fork and exec): a program that cannot start is said so
    // by the caller, not by a later signal.
    if (!process_.waitForStarted(10000)) {
        error_ = tr("書き出しを開始できません: %1").arg(process_.errorString());
        return false;
    }
    return true;
}

void TExportJob::cancel() {
    if (!running())
        return;
    cancelled_ = true;
    process_.terminate();
    // A child that does not answer is ended all the same.
    QTimer::singleShot(3000, this, [this] {
        if (running())
            process_.kill();
    });
}

void TExportJob::readOutput() {
    pending_ += process_.readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const TChildLine line = ParseChildLine(pending_.left(end).toStdString());
        pending_.remove(0, end + 1);
        if (line.LineKind == TChildLine::Kind::Progress) {
            emit progressed(line.Rendered, line.Total);
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
        QString why = QString::fromLocal8Bit(process_.readAllStandardError()).trimmed();
        why.remove("phonaraplayer: ");
        error_ = why.isEmpty() ? tr("書き出しに失敗しました (%1)").arg(exitCode) : why;
    }
    emit finished();
}
