// Steps, metres and pixels, and the label format: the float 0.05 is slightly
// above 0.05, and the program's results follow from that.
#include <bit>
#include <cstdint>
#include <gtest/gtest.h>

#include "spatial/Coordinates.h"

namespace {

constexpr float Ups = 0.05f;
constexpr float Pps = 2.5f;

TEST(Coordinates, UnitsPerStepIsTheFloatJustAboveFiveHundredths) {
    EXPECT_EQ(std::bit_cast<uint32_t>(Ups), 0x3D4CCCCDu);
}

TEST(Coordinates, PanFromX) {
    EXPECT_EQ(coords::PanFromX(2.5f, Ups), 99);
    EXPECT_EQ(coords::PanFromX(-2.5f, Ups), -99);
    EXPECT_EQ(coords::PanFromX(1.0f, Ups), 39);
    EXPECT_EQ(coords::PanFromX(0.15f, Ups), 6);
    EXPECT_EQ(coords::PanFromX(0.f, Ups), 0);
    EXPECT_EQ(coords::PanFromStep(50.f), 100);
    EXPECT_EQ(coords::PanFromStep(-50.4f), -100);
    EXPECT_EQ(coords::PanFromStep(-51.f), -102) << "a drag beyond the edge is not clamped";
}

TEST(Coordinates, StereoVolumeFallsWithDistanceFromTheXAxis) {
    EXPECT_EQ(coords::StereoVolume(0.f, 0.f, Ups), 100);
    EXPECT_EQ(coords::StereoVolume(0.1f, 0.f, Ups), 99);
    EXPECT_EQ(coords::StereoVolume(1.f, 0.f, Ups), 85);
    EXPECT_EQ(coords::StereoVolume(1.25f, 0.f, Ups), 81);
    EXPECT_EQ(coords::StereoVolume(2.5f, 0.f, Ups), 61);
    EXPECT_EQ(coords::StereoVolume(0.f, -2.5f, Ups), 61);
    EXPECT_EQ(coords::StereoVolume(2.5f, 2.5f, Ups), 44);
    EXPECT_LT(coords::StereoVolume(7.f, 0.f, Ups), 0) << "not clamped";
}

TEST(Coordinates, StepsAndCoordinates) {
    EXPECT_EQ(coords::StepToX(1, Ups), 0.05f);
    EXPECT_EQ(static_cast<double>(coords::StepToX(1, Ups)), 0.0500000007450580596923828125);
    EXPECT_EQ(coords::StepToYZ(-20, Ups), 1.0f);
    EXPECT_EQ(coords::StepToYZ(50, Ups), -2.5f);
    // A coordinate stored as a float often lies a hair below its step, and the
    // bar shows the truncated step.
    EXPECT_EQ(coords::XToStep(coords::StepToX(37, Ups), Ups), 36);
    EXPECT_EQ(coords::XToStep(coords::StepToX(2, Ups), Ups), 2);
    EXPECT_EQ(coords::YZToStep(coords::StepToYZ(-20, Ups), Ups), -19);
    EXPECT_EQ(coords::XToStep(0.18f, Ups), 3) << "3.6 steps truncate to 3";
    EXPECT_EQ(coords::XToStep(-0.18f, Ups), -3) << "toward zero, not down";
    EXPECT_EQ(coords::XToStep(2.5f, Ups), 49) << "2.5 is a hair below 50 float steps";
}

TEST(Coordinates, MarkerPixels) {
    const int hw = 7, hh = 6;
    EXPECT_EQ(coords::StepToPixel(0, Pps, hw), 125 - hw);
    EXPECT_EQ(coords::StepToPixel(-50, Pps, hw), -hw);
    EXPECT_EQ(coords::StepToPixel(50, Pps, hh), 250 - hh);
    EXPECT_EQ(coords::StepToPixel(1, Pps, hw), 120) << "Trunc(127.5 - 7)";
    EXPECT_EQ(coords::XToPixel(0.05f, Ups, Pps, hw), 120);
    EXPECT_EQ(coords::YZToPixel(1.0f, Ups, Pps, hh), 75 - hh);
    EXPECT_EQ(coords::YZToPixel(-1.0f, Ups, Pps, hh), 175 - hh - 1)
        << "-1.0 is a hair under 20 steps down: 174.9999993 - 6 truncates to 168";
    // Pixel back to coordinate, as a drag does.
    const float sx = coords::PixelToStep(120, hw, Pps);
    EXPECT_FLOAT_EQ(sx, 0.8f);
    EXPECT_EQ(coords::DragStepToX(sx, Ups), static_cast<float>(0.8f * static_cast<double>(Ups)));
    EXPECT_EQ(coords::DragStepToYZ(coords::PixelToStep(-hh, hh, Pps), Ups), 2.5f);
}

TEST(FloatFormat, ShortestFormWithFifteenDigits) {
    EXPECT_EQ(FormatG(0.0), "0");
    EXPECT_EQ(FormatG(2.5), "2.5");
    EXPECT_EQ(FormatG(-2.5), "-2.5");
    EXPECT_EQ(FormatG(1.0), "1");
    EXPECT_EQ(FormatG(100.0), "100");
    EXPECT_EQ(FormatG(static_cast<double>(0.05f)), "0.0500000007450581");
    EXPECT_EQ(FormatG(static_cast<double>(0.15f)), "0.150000005960464");
    EXPECT_EQ(FormatG(static_cast<double>(-1.25f)), "-1.25");
    EXPECT_EQ(FormatG(static_cast<double>(0.1f)), "0.100000001490116");
}

TEST(FloatFormat, ExponentOnlyBelowOneHundredThousandth) {
    EXPECT_EQ(FormatG(0.0001), "0.0001") << "C's %g would print 1e-04 here";
    EXPECT_EQ(FormatG(0.00001), "0.00001");
    EXPECT_EQ(FormatG(0.0000015), "1.5E-6");
    EXPECT_EQ(FormatG(-0.0000015), "-1.5E-6");
    EXPECT_EQ(FormatG(9.999999999999996e-6), "0.00001") << "rounds up into fixed form";
    EXPECT_EQ(FormatG(1e15), "1E+15");
    EXPECT_EQ(FormatG(123456789012345.0), "123456789012345");
}

} // namespace
