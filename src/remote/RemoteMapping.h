// The conventions spatial-audio controllers speak, turned into the program's
// axes (X right, Y up, Z front; the listener faces +Z): ADM-OSC object
// positions, and head orientations from trackers as yaw/pitch/roll or
// quaternions. Pure arithmetic: no Qt, no network.
#pragma once

namespace remote {

// The bars' half range: ADM's normalised cube (-1..1) spans -2.5..2.5 metres.
constexpr double AdmScale = 2.5;

struct Vec3 {
    double x = 0, y = 0, z = 0;
    bool operator==(const Vec3&) const = default;
};

// ADM cartesian (x right, y front, z up, each clamped to -1..1) to the
// program's axes (SpaceAxes.h): X = S*x, Y = S*z, Z = S*y.
Vec3 AdmXyzToProgram(double x, double y, double z);
// The inverse, for replies and feedback; values beyond the cube are clamped.
Vec3 ProgramToAdmXyz(const Vec3& p);

// ADM polar: azimuth in degrees with 0 in front and positive to the LEFT
// (clamped to -180..180), elevation in degrees, positive up (-90..90), and a
// distance 0..1 of the cube's half width.
struct Aed {
    double azimuth = 0, elevation = 0, distance = 0;
};
// Rounded to float, and within a micrometre of 0 is 0: no trigonometric
// noise reaches a place.
Vec3 AdmAedToProgram(const Aed& aed);
// The inverse. At the origin the angles are 0; a distance beyond 1 is clamped.
Aed ProgramToAdmAed(const Vec3& p);

// A head orientation in degrees: yaw positive when turned left, pitch
// positive up, roll positive when tilted to the right.
struct Ypr {
    double yaw = 0, pitch = 0, roll = 0;
};

// Where the head looks (front) and what is above it (top), unit vectors in
// the program's axes; straight ahead is front (0, 0, 1), top (0, 1, 0).
struct Orientation {
    Vec3 front{0, 0, 1};
    Vec3 top{0, 1, 0};
};

Orientation HeadOrientation(const Ypr& head);
// A scene rotation as binaural tools and trackers send it is the inverse of
// the head's turn: head yaw = -yaw, pitch = +pitch, roll = -roll.
Ypr HeadFromSceneYpr(const Ypr& scene);
// A scene-rotation quaternion (w, x, y, z) in the trackers' frame (x front,
// y left, z up): the head's orientation is its conjugate. Not normalised
// quaternions are normalised; a zero one is straight ahead.
Orientation HeadFromSceneQuaternion(double w, double x, double y, double z);
// Yaw, pitch and roll of an orientation (the inverse of HeadOrientation away
// from pitch +-90, where yaw and roll share one axis and roll is taken as 0).
Ypr YprOfOrientation(const Orientation& o);

// Which axes a tracker turns the other way round.
struct AxisInversion {
    bool yaw = false, pitch = false, roll = false;
};
Ypr Inverted(const Ypr& head, const AxisInversion& invert);

// o seen from a head whose "straight ahead" is reference: the recentred
// orientation (reference itself becomes straight ahead).
Orientation Relative(const Orientation& o, const Orientation& reference);

// True while the orientation differs from straight ahead by more than a
// hair (about a tenth of a degree).
bool IsTurned(const Orientation& o);

} // namespace remote
