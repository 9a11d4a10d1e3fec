// A level meter's movement: decibels of the library's readings, the bar's
// fall, the peak hold and the clip latch.
#include <gtest/gtest.h>

#include <cmath>

#include "levels/MeterBallistics.h"

namespace {

uint32_t Packed(uint32_t left, uint32_t right) {
    return left | (right << 16);
}

TEST(LevelDecibels, FullScaleIsZeroAndEachHalvingSixDecibelsLess) {
    const struct {
        uint32_t side;
        double db;
    } cases[] = {{32768, 0.0}, {16384, -6.0206}, {8192, -12.0412}, {33, -59.94}};
    for (const auto& c : cases)
        EXPECT_NEAR(LevelDecibels(c.side), c.db, 0.01) << c.side;
    EXPECT_TRUE(std::isinf(LevelDecibels(0)) && LevelDecibels(0) < 0);
    EXPECT_EQ(LouderSide(Packed(100, 2000)), 2000u);
    EXPECT_EQ(LouderSide(Packed(32768, 5)), 32768u);
    EXPECT_TRUE(LevelClips(32767));
    EXPECT_FALSE(LevelClips(32766));
}

TEST(MeterBallistics, TheBarFallsTheMarkHoldsThenFallsAndAClipLatches) {
    TMeterBallistics m;
    EXPECT_TRUE(m.Resting());
    m.Feed(Packed(16384, 8192), 0.0); // -6 dB, the louder side counts
    EXPECT_NEAR(m.PeakDb(), -6.02, 0.01);
    EXPECT_NEAR(m.BarDb(), -6.02, 0.01);
    EXPECT_NEAR(m.HoldDb(), -6.02, 0.01);
    // Silence: the bar falls at its rate, the mark holds for its time.
    m.Feed(0, 0.5);
    EXPECT_TRUE(std::isinf(m.PeakDb()));
    EXPECT_NEAR(m.BarDb(), -6.02 - 0.5 * TMeterBallistics::FallDbPerSecond, 0.01);
    EXPECT_NEAR(m.HoldDb(), -6.02, 0.01);
    m.Feed(0, 1.0);
    m.Feed(0, 1.6);
    EXPECT_LT(m.HoldDb(), -6.1) << "past the hold time the mark falls";
    EXPECT_FALSE(m.Clipped());
    m.Feed(0, 10.0);
    EXPECT_TRUE(m.Resting());

    m.Feed(Packed(0, 32767), 11.0);
    EXPECT_TRUE(m.Clipped());
    EXPECT_DOUBLE_EQ(m.BarDb(), std::max(LevelDecibels(32767), TMeterBallistics::FloorDb));
    m.Feed(Packed(100, 100), 11.1);
    EXPECT_TRUE(m.Clipped()) << "the light latches";
    m.ResetClip();
    EXPECT_FALSE(m.Clipped());
    m.Feed(Packed(100, 100), 11.2);
    EXPECT_FALSE(m.Clipped());
}

} // namespace
