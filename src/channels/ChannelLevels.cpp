#include "channels/ChannelLevels.h"

#include <charconv>
#include <cmath>

#include "audiolib.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Spatial.h"

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

void ApplyChannelLevel(int n) {
    const TSource& s = Sources[n];
    if (!s.Loaded)
        return;
    const int base =
        s.IsStereo ? coords::StereoVolume(s.Position.y, s.Position.z, UnitsPerStep) : 100;
    BASS_ChannelSetAttributes(s.Handle, -1, LevelledVolume(n, base), -101);
}

std::string GainInDecibels(float gain) {
    if (!(gain > 0.f))
        return "-inf dB";
    // Digits without the locale: the window shows them with the user's separator.
    char text[32];
    const auto end =
        std::to_chars(text, text + sizeof text, 20 * std::log10(static_cast<double>(gain)),
                      std::chars_format::fixed, 1)
            .ptr;
    return std::string(text, end) + " dB";
}
