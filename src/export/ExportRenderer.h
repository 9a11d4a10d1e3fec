// Renders a scene (a playlist: files, places, reverb level, room) to a sound
// file through the audio library's loopback device, faster than real time.
// Needs neither a window nor an output device; the library must not have a
// device open in this process.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "export/ExportOptions.h"

struct TExportOutcome {
    enum class Status { Done, Failed, Cancelled } Result = Status::Failed;
    std::string Error;   // why it failed, for people, in the language of the moment
    bool Exists = false; // failed because Output is there and Force was not given
    TExportSummary Summary;
    int Channels = 0; // channels that loaded
    // CPU seconds of each render lane's thread (none with one device), and of
    // the thread that ran the export (with one device, the render too).
    std::vector<double> LaneCpuSeconds;
    double MixCpuSeconds = 0;
    // Where each lane after the first takes over, in seconds, when the lanes
    // split the export's time rather than its sources (none otherwise).
    std::vector<double> TimeSeams;
};

// Progress: seconds rendered so far and the expected total (0 when unknown).
using TExportProgress = std::function<void(double rendered, double total)>;

// Renders options.Playlist into options.Output. The file appears only when
// the export succeeds (TAtomicFile); a failed or cancelled export leaves any
// old file of that name as it was, and one is replaced only with
// options.Force. Standard output ("-"), a FIFO or a device is written
// straight through. cancel is polled between blocks (every few ms).
// The audio plug-ins (bass*.so) in pluginFolder are loaded first, as the
// window loads them.
TExportOutcome RenderExport(const TExportOptions& options, const TExportProgress& progress,
                            const std::atomic<bool>& cancel, const std::string& pluginFolder);
