// The volume a channel plays at, with the gain and mute the remote control
// set for it (ChannelLevels, in the program state).
#pragma once

#include "channels/SourceTable.h"

// The volume to hand the audio library instead of volume for a channel at
// level: with gain 1 and no mute it is volume itself, including -1
// (unchanged); otherwise -1 counts as the full volume 100.
int LevelledVolume(const TChannelLevel& level, int volume);

// The same for channel n at the level the remote control set for it.
int LevelledVolume(int n, int volume);
