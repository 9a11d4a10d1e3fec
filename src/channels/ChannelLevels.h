// A gain and a mute per channel, set by the remote control and kept across
// loads: the channel's volume, wherever the program sets it, is multiplied
// by the gain, and a muted channel plays at volume 0 without its state word
// changing.
#pragma once

#include "channels/Sources.h"

struct TChannelLevel {
    float Gain = 1.f; // 0..1
    bool Muted = false;
};

extern TChannelArray<TChannelLevel> ChannelLevels;

// The volume to hand the audio library for channel n instead of volume.
// With gain 1 and no mute it is volume itself, including -1 (unchanged);
// otherwise -1 counts as the full volume 100.
int LevelledVolume(int n, int volume);
