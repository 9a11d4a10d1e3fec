#include "spatial/PolarPlace.h"

#include <algorithm>
#include <cmath>

#include "SpaceAxes.h"

namespace coords {

namespace {

constexpr double Degree = M_PI / 180.0;

} // namespace

TPolar PolarOf(const TPlace& p) {
    const double horizontal = std::hypot(p.X, p.Z);
    const double distance = std::hypot(horizontal, p.Y);
    if (!(distance > 1e-9))
        return {};
    TPolar polar;
    polar.Azimuth = horizontal > 1e-9 ? std::atan2(-p.X, p.Z) / Degree : 0.0;
    polar.Elevation = std::atan2(p.Y, horizontal) / Degree;
    polar.Distance = distance;
    return polar;
}

TPlace PlaceOf(const TPolar& polar) {
    double a = std::fmod(polar.Azimuth, 360.0);
    if (a > 180)
        a -= 360;
    else if (a < -180)
        a += 360;
    // The remote's aed and this dialog put the same angles on the same place.
    const auto p = axes::ProgramPlaceOfAngles(a, std::clamp(polar.Elevation, -90.0, 90.0),
                                              std::max(0.0, polar.Distance));
    return {p[0], p[1], p[2]};
}

TPlace Clamped(const TPlace& p, double half) {
    return {std::clamp(p.X, -half, half), std::clamp(p.Y, -half, half),
            std::clamp(p.Z, -half, half)};
}

std::vector<TPlace> MovedWith(const std::vector<TPlace>& others, const TPlace& from,
                              const TPlace& to, double half) {
    std::vector<TPlace> moved;
    moved.reserve(others.size());
    for (const TPlace& o : others)
        moved.push_back(
            Clamped({o.X + to.X - from.X, o.Y + to.Y - from.Y, o.Z + to.Z - from.Z}, half));
    return moved;
}

} // namespace coords
