#include "channels/ChannelLevels.h"

#include <cmath>

#include "channels/Sources.h"

int LevelledVolume(int n, int volume) {
    return LevelledVolume(ChannelLevels[n], volume);
}

int LevelledVolume(const TChannelLevel& level, int volume) {
    if (level.Muted)
        return 0;
    if (level.Gain >= 1.f)
        return volume;
    const int base = volume == -1 ? 100 : volume;
    // A far stereo channel's negative volume stays negative: silent either way.
    return static_cast<int>(std::trunc(base * static_cast<double>(level.Gain)));
}
