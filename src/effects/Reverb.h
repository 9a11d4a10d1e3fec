// The reverb parameters every loaded channel's reverb effect receives.
#pragma once

#include "audiolib.h"

extern BASS_REVERB_PARAMS ReverbParameters;

// The start values: no input gain, the mix off (-96 dB), 1.2 s, a dull tail.
void SetReverbDefaults();
