// Places typed as numbers: azimuth, elevation and distance in the OSC "aed"
// convention, and a selection moved rigidly with the channel typed.
#include <gtest/gtest.h>

#include <cmath>

#include "remote/RemoteMapping.h"
#include "spatial/PolarPlace.h"

namespace {

using coords::TPlace;
using coords::TPolar;

TEST(PolarPlace, AzimuthTurnsLeftElevationUpAndBothWaysAgree) {
    const struct {
        TPolar polar;
        TPlace place;
    } cases[] = {
        {{0, 0, 2}, {0, 0, 2}},       // in front
        {{90, 0, 2}, {-2, 0, 0}},     // to the left
        {{-90, 0, 1.5}, {1.5, 0, 0}}, // to the right
        {{180, 0, 1}, {0, 0, -1}},    // behind
        {{0, 90, 1}, {0, 1, 0}},      // above
        {{45, -30, 2}, {-1.2247449, -1, 1.2247449}},
    };
    for (const auto& c : cases) {
        const TPlace p = coords::PlaceOf(c.polar);
        EXPECT_NEAR(p.X, c.place.X, 1e-6) << c.polar.Azimuth << " " << c.polar.Elevation;
        EXPECT_NEAR(p.Y, c.place.Y, 1e-6);
        EXPECT_NEAR(p.Z, c.place.Z, 1e-6);
        // The OSC remote's aed, with its distance as a fraction of 2.5 m, lands there too.
        const remote::Vec3 osc = remote::AdmAedToProgram(
            {c.polar.Azimuth, c.polar.Elevation, c.polar.Distance / remote::AdmScale});
        EXPECT_NEAR(osc.x, p.X, 1e-6);
        EXPECT_NEAR(osc.y, p.Y, 1e-6);
        EXPECT_NEAR(osc.z, p.Z, 1e-6);
        // And back, away from the poles where the azimuth means nothing.
        const TPolar back = coords::PolarOf(p);
        if (std::abs(c.polar.Elevation) < 90) {
            EXPECT_NEAR(std::remainder(back.Azimuth - c.polar.Azimuth, 360.0), 0, 1e-6);
        }
        EXPECT_NEAR(back.Elevation, c.polar.Elevation, 1e-6);
        EXPECT_NEAR(back.Distance, c.polar.Distance, 1e-6);
    }
    const TPolar origin = coords::PolarOf({0, 0, 0});
    EXPECT_EQ(origin.Azimuth, 0);
    EXPECT_EQ(origin.Distance, 0);
    // Out of range: the azimuth wraps, the elevation and distance are bounded.
    const TPlace wrapped = coords::PlaceOf({450, 0, 1});
    EXPECT_NEAR(wrapped.X, -1, 1e-9);
    const TPlace above = coords::PlaceOf({0, 120, 1});
    EXPECT_NEAR(above.Y, 1, 1e-9);
    const TPlace none = coords::PlaceOf({30, 10, -3});
    EXPECT_EQ(none.X + none.Y + none.Z, 0);
}

TEST(PolarPlace, OthersKeepTheirOffsetsAndStayInTheBox) {
    const std::vector<TPlace> others = {{0.5, 0, 0}, {2.0, 1.0, -1.0}};
    const auto moved = coords::MovedWith(others, {0, 0, 0}, {1.0, -0.5, 0.25}, 2.5);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_DOUBLE_EQ(moved[0].X, 1.5);
    EXPECT_DOUBLE_EQ(moved[0].Y, -0.5);
    EXPECT_DOUBLE_EQ(moved[0].Z, 0.25);
    EXPECT_DOUBLE_EQ(moved[1].X, 2.5) << "clamped to the box";
    EXPECT_DOUBLE_EQ(moved[1].Y, 0.5);
    EXPECT_DOUBLE_EQ(moved[1].Z, -0.75);
}

} // namespace
