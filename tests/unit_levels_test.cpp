// A level meter's movement over the library's readings (low word left, high
// word right): the louder side in decibels, the bar's fall, the peak hold and
// the clip latch.
#include <gtest/gtest.h>

#include <cmath>

#include "levels/MeterBallistics.h"

namespace {

uint32_t Packed(uint32_t left, uint32_t right) {
    return left | (right << 16);
}

TEST(MeterBallistics, TheBarFallsTheMarkHoldsThenFallsAndAClipLatches) {
    TMeterBallistics m;
    EXPECT_TRUE(m.Resting());
    m.Feed(Packed(16384, 8192), 0.0); // half of full scale: -6 dB
    EXPECT_NEAR(m.PeakDb(), -6.02, 0.01);
    EXPECT_NEAR(m.BarDb(), -6.02, 0.01);
    EXPECT_NEAR(m.HoldDb(), -6.02, 0.01);
    // Silence: the bar falls, not at once; the mark holds for its time.
    m.Feed(0, 0.5);
    EXPECT_TRUE(std::isinf(m.PeakDb()) && m.PeakDb() < 0);
    EXPECT_LT(m.BarDb(), -6.1);
    EXPECT_GT(m.BarDb(), TMeterBallistics::FloorDb);
    EXPECT_NEAR(m.HoldDb(), -6.02, 0.01);
    m.Feed(0, 1.0);
    m.Feed(0, 1.6);
    EXPECT_LT(m.HoldDb(), -6.1) << "past the hold time the mark falls";
    m.Feed(0, 10.0);
    EXPECT_TRUE(m.Resting());

    // Just below full scale is no clip; full scale on either side latches
    // the light until it is reset.
    m.Feed(Packed(32766, 100), 11.0);
    EXPECT_FALSE(m.Clipped());
    m.Feed(Packed(100, 32767), 11.05);
    EXPECT_TRUE(m.Clipped());
    EXPECT_NEAR(m.BarDb(), 0.0, 0.01);
    m.Feed(Packed(100, 100), 11.1);
    EXPECT_TRUE(m.Clipped()) << "the light latches";
    m.ResetClip();
    EXPECT_FALSE(m.Clipped());
    m.Feed(Packed(100, 100), 11.2);
    EXPECT_FALSE(m.Clipped());
}

} // namespace
