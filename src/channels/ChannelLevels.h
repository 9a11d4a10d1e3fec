// The volume a channel plays at, with the gain and mute the remote control
// set for it (ChannelLevels, in the program state).
#pragma once

#include <string>

#include "channels/SourceTable.h"
#include "channels/Sources.h"

// The volume to hand the audio library instead of volume for a channel at
// level: with gain 1 and no mute it is volume itself, including -1
// (unchanged); otherwise -1 counts as the full volume 100.
int LevelledVolume(const TChannelLevel& level, int volume);

// The same for channel n at the level the remote control set for it.
int LevelledVolume(int n, int volume);

// Hands channel n's volume with its gain and mute to the library: full for a
// 3D source, from the distance to the X axis for a plain stereo one.
void ApplyChannelLevel(int n);

// A gain (0..1) as the user reads it: "-6.0 dB", "-inf dB" for 0.
std::string GainInDecibels(float gain);
