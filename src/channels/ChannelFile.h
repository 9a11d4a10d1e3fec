// Opening a sound file as a channel and loading the audio plug-ins, the same
// way for the window and for the exporter, so that an export sounds like the
// program.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "audiolib.h"

// Opens path as the window loads a channel: a module first, then a mono 3D
// source, then a plain stream (which then imitates its place by volume and
// pan). The channel loops when loop is set. 0 when nothing opens it; the
// library's error code says why.
DWORD OpenChannelFile(const std::string& path, bool loop);

// Loads the plug-ins in folder: every bass*.so (bass*.dll on Windows), in name
// order. Files the library does not take are skipped silently.
std::vector<HPLUGIN> LoadPluginsIn(const QString& folder);
