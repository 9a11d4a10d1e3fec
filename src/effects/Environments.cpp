#include "effects/Environments.h"

#include <cstddef>

// clang-format off
const std::array<TEnvironmentPreset, EnvironmentCount> EnvironmentPresets{{
    {"Generic", 0, 0.5f, 1.493f, 0.5f},
    {"Padded Cell", 1, 0.25f, 0.1f, 0.0f},
    {"Room", 2, 0.417f, 0.4f, 0.666f},
    {"Bathroom", 3, 0.653f, 1.499f, 0.166f},
    {"Living Room", 4, 0.208f, 0.478f, 0.0f},
    {"Stone Room", 5, 0.5f, 2.309f, 0.888f},
    {"Auditorium", 6, 0.403f, 4.279f, 0.5f},
    {"Concert Hall", 7, 0.5f, 3.961f, 0.5f},
    {"Cave", 8, 0.5f, 2.886f, 1.304f},
    {"Arena", 9, 0.361f, 7.284f, 0.332f},
    {"Hangar", 10, 0.5f, 10.0f, 0.3f},
    {"Carpeted Hallway", 11, 0.153f, 0.259f, 2.0f},
    {"Hallway", 12, 0.361f, 1.493f, 0.0f},
    {"Stone Corridor", 13, 0.444f, 2.697f, 0.638f},
    {"Alley", 14, 0.25f, 1.752f, 0.776f},
    {"Forrest", 15, 0.111f, 3.145f, 0.472f},
    {"City", 16, 0.111f, 2.767f, 0.224f},
    {"Mountains", 17, 0.194f, 7.841f, 0.472f},
    {"Quarry", 18, 1.0f, 1.499f, 0.5f},
    {"Plain", 19, 0.097f, 2.767f, 0.224f},
    {"Parking Lot", 20, 0.208f, 1.652f, 1.5f},
    {"Sewer Pipe", 21, 0.652f, 2.886f, 0.25f},
    {"Under Water", 22, 1.0f, 1.499f, 0.0f},
    {"Drugged", 23, 0.875f, 8.392f, 1.388f},
    {"Dizzy", 24, 0.139f, 17.234f, 0.666f},
    {"Psychotic", 25, 0.486f, 7.563f, 0.806f},
}};
// clang-format on

const TEnvironmentPreset* EnvironmentOfItem(int item) {
    if (item < 1 || item > EnvironmentCount)
        return nullptr;
    return &EnvironmentPresets[static_cast<size_t>(item - 1)];
}

void ApplyEnvironment(int item, std::span<const DWORD> channels) {
    if (item == 0) {
        BASS_SetEAXParameters(-1, 0.0f, -1.0f, -1.0f);
        for (const DWORD channel : channels)
            BASS_ChannelSetEAXMix(channel, 0.0f);
        return;
    }
    if (const TEnvironmentPreset* preset = EnvironmentOfItem(item))
        BASS_SetEAXParameters(preset->Environment, preset->Volume, preset->Decay, preset->Damping);
}
