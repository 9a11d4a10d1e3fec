// The volume a channel plays at, with the gain and mute the remote control
// set for it (ChannelLevels, in the program state).
#pragma once

#include "channels/Sources.h"

// The volume to hand the audio library for channel n instead of volume.
// With gain 1 and no mute it is volume itself, including -1 (unchanged);
// otherwise -1 counts as the full volume 100.
int LevelledVolume(int n, int volume);
