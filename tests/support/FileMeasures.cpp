#include "FileMeasures.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sndfile.h>

namespace testsupport {

double channelLevel(const Sound& sound, int channel, size_t from) {
    double sum = 0;
    const size_t n = size_t(std::max(sound.channels, 1));
    for (size_t i = from; i < sound.frames(); ++i)
        sum +=
            double(sound.samples[i * n + size_t(channel)]) * sound.samples[i * n + size_t(channel)];
    return std::sqrt(sum /
                     double(std::max<size_t>(1, sound.frames() - std::min(from, sound.frames()))));
}

std::vector<int> channelMap(const std::string& path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<int> map(size_t(info.channels), 0);
    if (sf_command(f, SFC_GET_CHANNEL_MAP_INFO, map.data(), int(map.size() * sizeof(int))) !=
        SF_TRUE)
        map.clear();
    sf_close(f);
    return map;
}

std::map<std::string, std::pair<uintmax_t, long long>> folderState(const std::string& folder) {
    std::map<std::string, std::pair<uintmax_t, long long>> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        files[e.path().filename().string()] = {
            e.file_size(), (long long)e.last_write_time().time_since_epoch().count()};
    return files;
}

} // namespace testsupport
