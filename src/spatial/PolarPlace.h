// A place typed as numbers: X, Y, Z in metres, or azimuth, elevation and
// distance around the listener, in the convention the OSC remote's "aed"
// speaks (azimuth in degrees with 0 in front and positive to the left,
// elevation in degrees positive up), with the distance in metres. Also the
// rigid move of a selection: the other channels keep their offsets from the
// one that was typed. Pure arithmetic, no Qt.
#pragma once

#include <vector>

namespace coords {

struct TPlace {
    double X = 0, Y = 0, Z = 0; // metres: right, up, front
};

struct TPolar {
    double Azimuth = 0;   // degrees, -180..180, positive to the left
    double Elevation = 0; // degrees, -90..90, positive up
    double Distance = 0;  // metres, 0 or more
};

// At the listener the angles are 0.
TPolar PolarOf(const TPlace& p);
// Angles beyond their range are wrapped (azimuth) or clamped (elevation); a
// negative distance counts as 0.
TPlace PlaceOf(const TPolar& polar);

// The editor's box: each axis clamped to +-half (2.5 m).
TPlace Clamped(const TPlace& p, double half);

// The current channel moves from `from` to `to`; each other place moves by the
// same amount, then into the box, as a drag moves a selection.
std::vector<TPlace> MovedWith(const std::vector<TPlace>& others, const TPlace& from,
                              const TPlace& to, double half);

} // namespace coords
