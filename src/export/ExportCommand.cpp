#include "export/ExportCommand.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

#include "export/ExportRenderer.h"
#include "files/AtomicFile.h"

namespace {

std::atomic<bool> CancelRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

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
}

} // namespace

int RunExportCommand(const TExportOptions& options) {
    CatchTerminationSignals();
    const bool terminal = !options.MachineProgress && ::isatty(STDERR_FILENO);
    TExportProgress progress;
    if (options.MachineProgress) {
        progress = [](double rendered, double total) {
            std::fputs(ProgressLine(rendered, total).c_str(), stdout);
            std::fflush(stdout);
        };
    } else if (terminal) {
        progress = [](double rendered, double total) {
            if (total > 0)
                std::fprintf(stderr, "\rexporting %.1f / %.1f s (%.0f%%) ", rendered, total,
                             100 * std::min(1.0, rendered / total));
            else
                std::fprintf(stderr, "\rexporting %.1f s ", rendered);
            std::fflush(stderr);
        };
    }
    const TExportOutcome outcome = RenderExport(
        options, progress, CancelRequested, QCoreApplication::applicationDirPath().toStdString());
    if (terminal)
        std::fputs("\n", stderr);
    switch (outcome.Result) {
    case TExportOutcome::Status::Done:
        if (options.MachineProgress)
            std::fputs(ResultLine(outcome.Summary).c_str(), stdout);
        else // beside the sound when that goes to standard output
            std::fprintf(DescriptorOfName(options.Output) == STDOUT_FILENO ? stderr : stdout,
                         "%s: %s\n", options.Output.c_str(), SummaryText(outcome.Summary).c_str());
        std::fflush(stdout);
        return ExitOk;
    case TExportOutcome::Status::Cancelled:
        std::fprintf(stderr, "phonaraplayer: export cancelled; %s not written\n",
                     options.Output.c_str());
        return ExitCancelled;
    case TExportOutcome::Status::Failed:
        break;
    }
    std::fprintf(stderr, "phonaraplayer: %s\n", outcome.Error.c_str());
    return ExitFailed;
}
