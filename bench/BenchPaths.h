// The circling paths the motion and export benchmarks move their sources on.
#pragma once

#include <cmath>

#include "motion/MotionPath.h"

namespace bench {

// A circle of radius r around the listener, once in period seconds, as a
// hand would draw it: a point per 60th of a second.
inline TMotionPath Circle(double r, double period, double phase) {
    TMotionPath path{TMotionMode::Loop, {}};
    const int points = static_cast<int>(period * 60);
    for (int i = 0; i <= points; ++i) {
        const double t = period * i / points;
        const double a = phase + 2 * M_PI * t / period;
        path.Points.push_back({std::round(t * 1000) / 1000, static_cast<float>(r * std::cos(a)),
                               0.f, static_cast<float>(r * std::sin(a))});
    }
    return path;
}

} // namespace bench
