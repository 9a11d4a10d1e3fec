// What tests measure in the files a program wrote: a channel's level, the
// speakers a file names, and a folder's state before and after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "SoundFiles.h"

namespace testsupport {

// The level (RMS) of one channel of a sound, from frame from on.
double channelLevel(const Sound& sound, int channel, size_t from = 0);

// The speaker of each channel as a file tells its readers (libsndfile's
// SF_CHANNEL_MAP_*), in the file's order; empty when it tells none.
std::vector<int> channelMap(const std::string& path);

// Each file in a folder with its size and time of last change: what "left as
// it was" means. Empty for a folder that is not there.
std::map<std::string, std::pair<uintmax_t, long long>> folderState(const std::string& folder);

} // namespace testsupport
