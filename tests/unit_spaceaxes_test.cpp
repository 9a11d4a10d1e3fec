// The program's axes and the others it meets: where each axis of OpenAL,
// ADM and the front-left-up axes of AmbiX and the trackers lands, and that
// each pair undoes itself. Places from angles: azimuth (positive to the
// left), elevation (up) and distance in metres land on the same clean place
// whether typed into the Position dialog, sent as the OSC remote's "aed" or
// converted by the named axes, and come back as the same angles; a selection
// moves rigidly with the channel typed.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "SpaceAxes.h"
#include "remote/RemoteMapping.h"
#include "spatial/PolarPlace.h"

namespace {

using axes::Triple;
using TConversion = Triple<double> (*)(double, double, double);

TEST(SpaceAxes, EachConversionSendsRightUpAndFrontWhereTheOtherAxesHaveThem) {
    const Triple<double> right{1, 0, 0}, up{0, 1, 0}, front{0, 0, 1};
    const struct {
        const char* what;
        TConversion to, back; // back: the inverse, or null for one of its own
        Triple<double> right, up, front;
    } table[] = {
        {"OpenAL: the listener looks down -z",
         axes::OpenAlFromProgram<double>,
         nullptr,
         {1, 0, 0},
         {0, 1, 0},
         {0, 0, -1}},
        {"ADM: x right, y front, z up",
         axes::AdmFromProgram<double>,
         axes::ProgramFromAdm<double>,
         {1, 0, 0},
         {0, 0, 1},
         {0, 1, 0}},
        {"AmbiX and trackers: x front, y left, z up",
         axes::FrontLeftUpFromProgram<double>,
         axes::ProgramFromFrontLeftUp<double>,
         {0, -1, 0},
         {0, 0, 1},
         {1, 0, 0}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(std::apply(row.to, right), row.right);
        EXPECT_EQ(std::apply(row.to, up), row.up);
        EXPECT_EQ(std::apply(row.to, front), row.front);
        const Triple<double> p{0.25, -1.5, 2.5};
        EXPECT_EQ(std::apply(row.back ? row.back : row.to, std::apply(row.to, p)), p);
    }
}

using coords::TPlace;
using coords::TPolar;

// Zero where zero is meant (no trigonometric noise), near elsewhere.
void ExpectPlace(double x, double y, double z, const TPlace& expected, const char* by) {
    const double got[] = {x, y, z}, want[] = {expected.X, expected.Y, expected.Z};
    for (int i = 0; i < 3; ++i) {
        if (want[i] == 0)
            EXPECT_EQ(got[i], 0.0) << by << ", axis " << i;
        else
            EXPECT_NEAR(got[i], want[i], 1e-6) << by << ", axis " << i;
    }
}

TEST(PlacesFromAngles, TheDialogTheRemoteAndTheAxesAgreeOnCleanPlacesAndBack) {
    const struct {
        TPolar polar;
        TPlace place;
    } cases[] = {
        {{0, 0, 2}, {0, 0, 2}},         // in front
        {{90, 0, 2}, {-2, 0, 0}},       // to the left
        {{-90, 0, 1.5}, {1.5, 0, 0}},   // to the right
        {{180, 0, 2.5}, {0, 0, -2.5}},  // behind
        {{0, 90, 1}, {0, 1, 0}},        // above
        {{37, 90, 1.25}, {0, 1.25, 0}}, // above, whatever the azimuth
        {{0, -90, 0.5}, {0, -0.5, 0}},  // below
        {{90, 30, 2}, {-std::sqrt(3.0), 1, 0}},
        {{45, -30, 2}, {-1.2247449, -1, 1.2247449}},
    };
    for (const auto& c : cases) {
        const auto [a, e, d] = c.polar;
        SCOPED_TRACE(testing::Message() << a << " " << e << " " << d);
        const TPlace typed = coords::PlaceOf(c.polar);
        ExpectPlace(typed.X, typed.Y, typed.Z, c.place, "the dialog");
        const auto axes = axes::ProgramPlaceOfAngles(a, e, d);
        ExpectPlace(axes[0], axes[1], axes[2], c.place, "the axes");
        // The remote's distance is a fraction of 2.5 m.
        const remote::Vec3 osc = remote::AdmAedToProgram({a, e, d / remote::AdmScale});
        ExpectPlace(osc.x, osc.y, osc.z, c.place, "the remote");
        // And back, away from the poles where the azimuth means nothing.
        const TPolar back = coords::PolarOf(c.place);
        if (std::abs(e) < 90) {
            EXPECT_NEAR(std::remainder(back.Azimuth - a, 360.0), 0, 1e-6);
        }
        EXPECT_NEAR(back.Elevation, e, 1e-6);
        EXPECT_NEAR(back.Distance, d, 1e-6);
    }
    // A place is what a float holds, and a micrometre from 0 is 0.
    EXPECT_EQ(axes::CleanMetres(0.1), double(0.1f));
    EXPECT_EQ(axes::CleanMetres(-9.9e-7), 0.0);
    EXPECT_EQ(axes::CleanMetres(1.1e-6), double(1.1e-6f));
    // Out of range: the azimuth wraps, the elevation and distance are bounded.
    const TPolar origin = coords::PolarOf({0, 0, 0});
    EXPECT_TRUE(origin.Azimuth == 0 && origin.Distance == 0);
    EXPECT_NEAR(coords::PlaceOf({450, 0, 1}).X, -1, 1e-9);
    EXPECT_NEAR(coords::PlaceOf({0, 120, 1}).Y, 1, 1e-9);
    const TPlace none = coords::PlaceOf({30, 10, -3});
    EXPECT_TRUE(none.X == 0 && none.Y == 0 && none.Z == 0);
}

TEST(PlacesFromAngles, OthersKeepTheirOffsetsAndStayInTheBox) {
    const auto moved =
        coords::MovedWith({{0.5, 0, 0}, {2.0, 1.0, -1.0}}, {0, 0, 0}, {1.0, -0.5, 0.25}, 2.5);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_TRUE(moved[0].X == 1.5 && moved[0].Y == -0.5 && moved[0].Z == 0.25);
    EXPECT_TRUE(moved[1].X == 2.5 && moved[1].Y == 0.5 && moved[1].Z == -0.75)
        << "clamped to the box";
}

} // namespace
