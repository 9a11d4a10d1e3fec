// The program's axes and the others it meets, with one named conversion for
// each pair. The program's space is left-handed: +X right, +Y up, +Z in front
// of the listener, in metres. The others:
//
// - OpenAL: right-handed, +x right, +y up, the listener looking down -z.
// - ADM (cartesian positions of ADM-OSC): x right, y front, z up.
// - Front-left-up: right-handed, x front, y left, z up. AmbiX's axes, and the
//   head trackers' frame; azimuth counter-clockwise from the front (positive
//   to the left), elevation up from the horizontal plane, as in ADM's polar
//   positions.
//
// Header-only and dependency-free, so that the audio library and the program
// share it without the one reaching into the other.
#pragma once

#include <array>
#include <cmath>
#include <numbers>

namespace axes {

template <typename T> using Triple = std::array<T, 3>;

// A place or direction of the program's in OpenAL's axes: Z turns round.
template <typename T> constexpr Triple<T> OpenAlFromProgram(T x, T y, T z) {
    return {x, y, -z};
}

// ADM cartesian (x right, y front, z up) in the program's axes, and back.
template <typename T> constexpr Triple<T> ProgramFromAdm(T x, T y, T z) {
    return {x, z, y};
}
template <typename T> constexpr Triple<T> AdmFromProgram(T x, T y, T z) {
    return {x, z, y};
}

// Front-left-up (AmbiX, trackers) in the program's axes, and back.
template <typename T> constexpr Triple<T> ProgramFromFrontLeftUp(T front, T left, T up) {
    return {-left, up, front};
}
template <typename T> constexpr Triple<T> FrontLeftUpFromProgram(T x, T y, T z) {
    return {z, -x, y};
}

// The unit vector at azimuth and elevation in degrees, in front-left-up axes.
inline Triple<double> FrontLeftUpOfAngles(double azimuthDeg, double elevationDeg) {
    const double a = azimuthDeg * std::numbers::pi / 180, e = elevationDeg * std::numbers::pi / 180;
    return {std::cos(a) * std::cos(e), std::sin(a) * std::cos(e), std::sin(e)};
}

// Trigonometry's rounding noise is no place: a place computed from angles is
// what a float holds of it, and anything within a micrometre of 0 is 0.
constexpr double CleanMetres(double v) {
    const double f = static_cast<double>(static_cast<float>(v));
    return f > -1e-6 && f < 1e-6 ? 0.0 : f;
}

// The place at azimuth, elevation (degrees, front-left-up convention) and
// distance (metres), in the program's axes, as clean numbers.
inline Triple<double> ProgramPlaceOfAngles(double azimuthDeg, double elevationDeg, double metres) {
    const Triple<double> d = FrontLeftUpOfAngles(azimuthDeg, elevationDeg);
    const Triple<double> p = ProgramFromFrontLeftUp(d[0], d[1], d[2]);
    return {CleanMetres(metres * p[0]), CleanMetres(metres * p[1]), CleanMetres(metres * p[2])};
}

} // namespace axes
