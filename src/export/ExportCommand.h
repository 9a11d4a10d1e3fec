// The export as a command: runs one export in this process (no window, no
// output device), reports on the terminal or to a parent process, and gives
// the exit status.
#pragma once

#include "export/ExportOptions.h"

// Exit statuses of the program.
constexpr int ExitOk = 0;
constexpr int ExitFailed = 1; // the export or the start failed; the reason is on stderr
constexpr int ExitUsage = 2;  // the command line is wrong
constexpr int ExitCancelled = 130;

// SIGTERM, SIGINT and SIGHUP cancel the export; the partial file goes.
int RunExportCommand(const TExportOptions& options);
