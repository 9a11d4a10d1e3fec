// The reverb level's curve and the room environment presets.
#include <cmath>
#include <gtest/gtest.h>
#include <string>

#include "effects/Environments.h"
#include "effects/Reverb.h"

namespace {

TEST(ReverbLevel, MapsTheTrackBarOntoDecibels) {
    // As stored: the double result rounded once to float.
    EXPECT_EQ(ReverbMixOfLevel(20), 0.0f);
    EXPECT_EQ(ReverbMixOfLevel(10), static_cast<float>(-14.449439791871097));
    EXPECT_EQ(ReverbMixOfLevel(5), static_cast<float>(-28.898879583742193));
    EXPECT_EQ(ReverbMixOfLevel(2), -48.0f);
    EXPECT_EQ(ReverbMixOfLevel(1), static_cast<float>(-62.449439791871097));
    EXPECT_EQ(ReverbMixOfLevel(0), -96.0f);
    EXPECT_NEAR(ReverbMixOfLevel(10), -14.4494f, 1e-4f);
    EXPECT_NEAR(ReverbMixOfLevel(1), -62.4494f, 1e-4f);
    // Rising all the way: every step up is louder, and nothing passes 0 dB.
    for (int level = 1; level <= ReverbLevelMax; ++level)
        EXPECT_GT(ReverbMixOfLevel(level), ReverbMixOfLevel(level - 1)) << level;
    EXPECT_EQ(ReverbMixOfLevel(21), 0.0f);
    EXPECT_EQ(ReverbMixOfLevel(-1), -96.0f);
}

struct ClassicPreset {
    const char* name;
    float volume, decay, damping;
};

// The classic EAX 2 environment presets (environment = row number).
// clang-format off
const ClassicPreset kClassic[] = {
    {"Generic", 0.5f, 1.493f, 0.5f},
    {"Padded Cell", 0.25f, 0.1f, 0.0f},
    {"Room", 0.417f, 0.4f, 0.666f},
    {"Bathroom", 0.653f, 1.499f, 0.166f},
    {"Living Room", 0.208f, 0.478f, 0.0f},
    {"Stone Room", 0.5f, 2.309f, 0.888f},
    {"Auditorium", 0.403f, 4.279f, 0.5f},
    {"Concert Hall", 0.5f, 3.961f, 0.5f},
    {"Cave", 0.5f, 2.886f, 1.304f},
    {"Arena", 0.361f, 7.284f, 0.332f},
    {"Hangar", 0.5f, 10.0f, 0.3f},
    {"Carpeted Hallway", 0.153f, 0.259f, 2.0f},
    {"Hallway", 0.361f, 1.493f, 0.0f},
    {"Stone Corridor", 0.444f, 2.697f, 0.638f},
    {"Alley", 0.25f, 1.752f, 0.776f},
    {"Forrest", 0.111f, 3.145f, 0.472f},
    {"City", 0.111f, 2.767f, 0.224f},
    {"Mountains", 0.194f, 7.841f, 0.472f},
    {"Quarry", 1.0f, 1.499f, 0.5f},
    {"Plain", 0.097f, 2.767f, 0.224f},
    {"Parking Lot", 0.208f, 1.652f, 1.5f},
    {"Sewer Pipe", 0.652f, 2.886f, 0.25f},
    {"Under Water", 1.0f, 1.499f, 0.0f},
    {"Drugged", 0.875f, 8.392f, 1.388f},
    {"Dizzy", 0.139f, 17.234f, 0.666f},
    {"Psychotic", 0.486f, 7.563f, 0.806f},
};
// clang-format on
static_assert(std::size(kClassic) == EnvironmentCount);

TEST(EnvironmentPresets, AreTheClassicTwentySixInEnvironmentOrder) {
    for (int row = 0; row < EnvironmentCount; ++row) {
        const TEnvironmentPreset& preset = EnvironmentPresets[static_cast<size_t>(row)];
        const ClassicPreset& classic = kClassic[row];
        SCOPED_TRACE(classic.name);
        EXPECT_EQ(std::string(preset.Name), classic.name);
        EXPECT_EQ(preset.Environment, row);
        EXPECT_EQ(preset.Volume, classic.volume);
        EXPECT_EQ(preset.Decay, classic.decay);
        EXPECT_EQ(preset.Damping, classic.damping);
        // The box's item k is environment k - 1.
        EXPECT_EQ(EnvironmentOfItem(row + 1), &preset);
    }
    EXPECT_EQ(EnvironmentOfItem(0), nullptr);  // "Off"
    EXPECT_EQ(EnvironmentOfItem(-1), nullptr); // nothing chosen
    EXPECT_EQ(EnvironmentOfItem(EnvironmentCount + 1), nullptr);
}

} // namespace
