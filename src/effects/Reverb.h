// The reverb parameters every loaded channel's reverb effect receives, and
// the curve from the reverb track bar's level to their mix.
#pragma once

#include "audiolib.h"

extern BASS_REVERB_PARAMS ReverbParameters;

// The start values: no input gain, the mix off (-96 dB), 1.2 s, a dull tail.
void SetReverbDefaults();

// The highest level of the reverb track bar.
constexpr int ReverbLevelMax = 20;

// The reverb mix in dB for a track bar level 0 .. 20: -96 dB (off) at 0,
// otherwise 48 * log10(level / 20), so that 20 is 0 dB and every halving of
// the level takes about 14.45 dB off.
float ReverbMixOfLevel(int level);

// Places the reverb effect on a channel just opened and gives it
// ReverbParameters, for the window and the exporter alike; 0 when the library
// refuses the effect.
HFX AttachReverb(DWORD channel);
