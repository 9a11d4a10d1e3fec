#include "effects/Reverb.h"

#include <algorithm>
#include <cmath>

BASS_REVERB_PARAMS ReverbParameters{0.f, 0.f, 0.f, 0.f};

void SetReverbDefaults() {
    ReverbParameters.reverbMix = -96.0f;
    ReverbParameters.reverbTime = 1200.0f;
    ReverbParameters.highFreqRTRatio = 0.1f;
}

float ReverbMixOfLevel(int level) {
    if (level <= 0)
        return -96.0f;
    const int p = std::min(level, ReverbLevelMax);
    return static_cast<float>(48.0 * std::log10(static_cast<double>(p) / ReverbLevelMax));
}

HFX AttachReverb(DWORD channel) {
    const HFX fx = BASS_ChannelSetFX(channel, BASS_FX_REVERB, 2);
    BASS_FXSetParameters(fx, &ReverbParameters);
    return fx;
}
