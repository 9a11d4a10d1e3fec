#include "effects/Reverb.h"

BASS_REVERB_PARAMS ReverbParameters{0.f, 0.f, 0.f, 0.f};

void SetReverbDefaults() {
    ReverbParameters.reverbMix = -96.0f;
    ReverbParameters.reverbTime = 1200.0f;
    ReverbParameters.highFreqRTRatio = 0.1f;
}
