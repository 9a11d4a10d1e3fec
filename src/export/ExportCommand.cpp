#include "export/ExportCommand.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "export/ExportRenderer.h"
#include "files/AtomicFile.h"
#include "hrtf/SofaConvert.h"

namespace {

std::atomic<bool> CancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

std::string Translate(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

void OnTerminationSignal(int) {
    CancelRequested.store(true);
}

void CatchTerminationSignals() {
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on; the render loop sees the request between blocks.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A reader that has gone (the window that started this export) is seen
    // as a failed write, not as a signal that ends the process before its
    // temporary files are removed.
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int RunExportCommand(const TExportOptions& options) {
    CatchTerminationSignals();
    // Asked before the export: a file that is standard output is replaced
    // by then. Nothing but the sound may go where the sound goes.
    FILE* const messages = IsStandardOutput(options.Output) ? stderr : stdout;
    const bool terminal = !options.MachineProgress && ::isatty(STDERR_FILENO);
    TExportProgress progress;
    if (options.MachineProgress) {
        progress = [messages](double rendered, double total) {
            // The window that asked has gone: nobody wants the file any more.
            if (std::fputs(ProgressLine(rendered, total).c_str(), messages) < 0 ||
                std::fflush(messages) != 0)
                CancelRequested.store(true);
        };
    } else if (terminal) {
        progress = [](double rendered, double total) {
            const QString line =
                total > 0
                    ? QCoreApplication::translate("ExportCommand", "書き出し中 %1 / %2 秒 (%3%)")
                          .arg(rendered, 0, 'f', 1)
                          .arg(total, 0, 'f', 1)
                          .arg(100 * std::min(1.0, rendered / total), 0, 'f', 0)
                    : QCoreApplication::translate("ExportCommand", "書き出し中 %1 秒")
                          .arg(rendered, 0, 'f', 1);
            std::fprintf(stderr, "\r%s ", qPrintable(line));
            std::fflush(stderr);
        };
    }
    // A SOFA file named for the data set is loaded into the user's data
    // folder first, as the audio menu loads one, and rendered with.
    TExportOptions o = options;
    if (o.Layout == TExportLayout::Binaural && IsSofaFileName(o.HrtfDataSet)) {
        std::string name;
        TSofaProblem problem;
        if (!LoadSofaFile(o.HrtfDataSet, HrtfDataFolder(), name, problem)) {
            const std::string why = SofaProblemText(problem, Translate);
            std::fprintf(stderr, "phonaraplayer: %s: %s\n", o.HrtfDataSet.c_str(), why.c_str());
            return ExitFailed;
        }
        o.HrtfDataSet = HrtfEntryName(name, o.Rate);
    }
    const TExportOutcome outcome = RenderExport(
        o, progress, CancelRequested, QCoreApplication::applicationDirPath().toStdString());
    if (terminal)
        std::fputs("\n", stderr);
    switch (outcome.Result) {
    case TExportOutcome::Status::Done:
        if (options.MachineProgress)
            std::fputs(ResultLine(outcome.Summary).c_str(), messages);
        else
            std::fprintf(messages, "%s: %s\n", options.Output.c_str(),
                         SummaryText(outcome.Summary, PointNumber, Translate).c_str());
        std::fflush(messages);
        return ExitOk;
    case TExportOutcome::Status::Cancelled:
        std::fprintf(
            stderr, "phonaraplayer: %s\n",
            qPrintable(QCoreApplication::translate(
                           "ExportCommand", "書き出しを取り消しました。%1 は書き出していません")
                           .arg(QString::fromStdString(options.Output))));
        return ExitCancelled;
    case TExportOutcome::Status::Failed:
        // The window asks whether to replace the file instead.
        if (options.MachineProgress && outcome.Exists) {
            std::fputs(ExistsLine().c_str(), messages);
            std::fflush(messages);
        }
        break;
    }
    std::fprintf(stderr, "phonaraplayer: %s\n", outcome.Error.c_str());
    return ExitFailed;
}
