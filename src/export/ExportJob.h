// One export run by a child process of the program (the audio library keeps
// one device per process, and the window's device must play on untouched):
// the scene goes over as a temporary playlist, progress comes back as lines.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <string>

#include "export/ExportOptions.h"

class TExportJob : public QObject {
    Q_OBJECT
public:
    explicit TExportJob(QObject* parent = nullptr);
    // Ends a child still running the way a cancel does, so that its
    // temporary file goes, without waiting for it: the child removes its
    // files and ends on its own.
    ~TExportJob() override;

    // Starts program --export ... on playlistText; options.Playlist is
    // replaced by the temporary playlist. False (with error()) when the
    // playlist cannot be written or the child does not start.
    bool start(const QString& program, TExportOptions options, const std::string& playlistText);
    // Asks the child to stop (SIGTERM); it removes its partial file. Returns
    // at once; finished() follows when the child has gone.
    void cancel();
    bool running() const { return process_->state() != QProcess::NotRunning; }

    bool succeeded() const { return succeeded_; }
    bool cancelled() const { return cancelled_; }
    // It failed because the file is there and options.Force was not given.
    bool exists() const { return exists_; }
    const TExportSummary& summary() const { return summary_; }
    const QString& error() const { return error_; }

signals:
    void progressed(double rendered, double total);
    void finished();

private:
    void readOutput();
    void childFinished(int exitCode, QProcess::ExitStatus status);

    QProcess* process_; // a child of this job until the job goes

    // The scene's playlist, held (and locked) until the job goes; a window
    // that dies leaves it to the next export's sweep.
    std::string playlistPath_;
    int playlistFd_ = -1;
    QByteArray pending_;
    TExportSummary summary_;
    QString error_;
    bool gotResult_ = false;
    bool succeeded_ = false;
    bool cancelled_ = false;
    bool exists_ = false;
};
