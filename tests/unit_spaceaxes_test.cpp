// The named conversions between the program's axes and OpenAL's, ADM's and
// the front-left-up axes of AmbiX and the trackers: where each axis of the
// one lands in the other, and that each pair undoes itself. (Places from
// angles: unit_polarplace_test.)
#include <gtest/gtest.h>
#include <tuple>

#include "SpaceAxes.h"

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

} // namespace
