// The room environments the EAX box offers: the classic 26 presets of the
// EAX 2 interface, as environment number, volume, decay time and damping.
#pragma once

#include <array>
#include <span>

#include "audiolib.h"

struct TEnvironmentPreset {
    const char* Name; // the box's text
    int Environment;  // the audio library's environment number
    float Volume;     // reverb volume, 0 .. 1
    float Decay;      // decay time in seconds
    float Damping;    // high-frequency damping, 0 .. 2
};

constexpr int EnvironmentCount = 26;

// In the order of the environment numbers, Generic (0) to Psychotic (25).
extern const std::array<TEnvironmentPreset, EnvironmentCount> EnvironmentPresets;

// The preset behind item `item` of the EAX box (1 .. 26); null for "Off"
// (item 0) and for no selection or any other index.
const TEnvironmentPreset* EnvironmentOfItem(int item);

// Applies item `item` of the EAX box to the room, for the window and the
// exporter alike: a preset's environment, volume, decay and damping; "Off"
// silences the room and takes every channel of channels out of it (stale
// handles of empty slots may be among them: the library refuses those).
void ApplyEnvironment(int item, std::span<const DWORD> channels);
