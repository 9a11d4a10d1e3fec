#include "remote/RemoteMapping.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "SpaceAxes.h"

namespace remote {

namespace {

constexpr double Degree = std::numbers::pi / 180.0;

// NaN counts as 0: a clamp must never let it through to the positions.
double Clamp(double v, double lo, double hi) {
    return std::isnan(v) ? 0.0 : std::clamp(v, lo, hi);
}

double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 VecOf(const axes::Triple<double>& t) {
    return {t[0], t[1], t[2]};
}

// A vector of the trackers' frame (x front, y left, z up) in the program's axes.
Vec3 FromTrackerFrame(double x, double y, double z) {
    return VecOf(axes::ProgramFromFrontLeftUp(x, y, z));
}

// v rotated by the unit quaternion (w, x, y, z).
void Rotate(double w, double qx, double qy, double qz, double& vx, double& vy, double& vz) {
    // v' = v + 2w(q x v) + 2 q x (q x v)
    const double tx = 2 * (qy * vz - qz * vy);
    const double ty = 2 * (qz * vx - qx * vz);
    const double tz = 2 * (qx * vy - qy * vx);
    const double rx = vx + w * tx + (qy * tz - qz * ty);
    const double ry = vy + w * ty + (qz * tx - qx * tz);
    const double rz = vz + w * tz + (qx * ty - qy * tx);
    vx = rx;
    vy = ry;
    vz = rz;
}

} // namespace

Vec3 AdmXyzToProgram(double x, double y, double z) {
    return VecOf(axes::ProgramFromAdm(AdmScale * Clamp(x, -1, 1), AdmScale * Clamp(y, -1, 1),
                                      AdmScale * Clamp(z, -1, 1)));
}

Vec3 ProgramToAdmXyz(const Vec3& p) {
    const axes::Triple<double> adm = axes::AdmFromProgram(p.x, p.y, p.z);
    return {Clamp(adm[0] / AdmScale, -1, 1), Clamp(adm[1] / AdmScale, -1, 1),
            Clamp(adm[2] / AdmScale, -1, 1)};
}

Vec3 AdmAedToProgram(const Aed& aed) {
    return VecOf(axes::ProgramPlaceOfAngles(Clamp(aed.azimuth, -180, 180),
                                            Clamp(aed.elevation, -90, 90),
                                            AdmScale * Clamp(aed.distance, 0, 1)));
}

Aed ProgramToAdmAed(const Vec3& p) {
    const double r = std::sqrt(Dot(p, p));
    if (!(r > 1e-9))
        return {};
    const axes::Triple<double> d = axes::FrontLeftUpFromProgram(p.x, p.y, p.z);
    return {std::atan2(d[1], d[0]) / Degree, std::atan2(d[2], std::hypot(d[0], d[1])) / Degree,
            Clamp(r / AdmScale, 0, 1)};
}

Orientation HeadOrientation(const Ypr& head) {
    const double psi = head.yaw * Degree, theta = head.pitch * Degree, phi = head.roll * Degree;
    const double sy = std::sin(psi), cy = std::cos(psi);
    const double sp = std::sin(theta), cp = std::cos(theta);
    const double sr = std::sin(phi), cr = std::cos(phi);
    Orientation o;
    o.front = {-sy * cp, sp, cy * cp};
    o.top = {sr * cy + cr * sp * sy, cr * cp, sr * sy - cr * sp * cy};
    return o;
}

Ypr HeadFromSceneYpr(const Ypr& scene) {
    return {-scene.yaw, scene.pitch, -scene.roll};
}

Orientation HeadFromSceneQuaternion(double w, double x, double y, double z) {
    const double norm = std::sqrt(w * w + x * x + y * y + z * z);
    if (!(norm > 1e-12) || !std::isfinite(norm))
        return {};
    w /= norm;
    // The conjugate: the head turns against the scene.
    x = -x / norm;
    y = -y / norm;
    z = -z / norm;
    double fx = 1, fy = 0, fz = 0; // front in the trackers' frame
    double tx = 0, ty = 0, tz = 1; // top
    Rotate(w, x, y, z, fx, fy, fz);
    Rotate(w, x, y, z, tx, ty, tz);
    return {FromTrackerFrame(fx, fy, fz), FromTrackerFrame(tx, ty, tz)};
}

Ypr YprOfOrientation(const Orientation& o) {
    const Vec3& f = o.front;
    const double pitch = std::asin(Clamp(f.y, -1, 1));
    const double horizontal = std::hypot(f.x, f.z);
    if (horizontal < 1e-9)
        return {std::atan2(o.top.x, -o.top.z) / Degree * (f.y > 0 ? 1 : -1), pitch / Degree, 0};
    const double yaw = std::atan2(-f.x, f.z);
    // The roll is the turn of the top about the front, from where a head
    // without roll would have it.
    const Orientation level = HeadOrientation({yaw / Degree, pitch / Degree, 0});
    const Vec3 right = Cross(level.top, level.front);
    const double roll = std::atan2(Dot(o.top, right), Dot(o.top, level.top));
    return {yaw / Degree, pitch / Degree, roll / Degree};
}

Ypr Inverted(const Ypr& head, const AxisInversion& invert) {
    return {invert.yaw ? -head.yaw : head.yaw, invert.pitch ? -head.pitch : head.pitch,
            invert.roll ? -head.roll : head.roll};
}

Orientation Relative(const Orientation& o, const Orientation& reference) {
    // The reference's rotation transposed: its right, top and front become
    // the axes X, Y and Z.
    const Vec3 right = Cross(reference.top, reference.front);
    auto seen = [&](const Vec3& v) -> Vec3 {
        return {Dot(v, right), Dot(v, reference.top), Dot(v, reference.front)};
    };
    return {seen(o.front), seen(o.top)};
}

bool IsTurned(const Orientation& o) {
    constexpr double Hair = 2e-3; // about 0.1 degree
    return std::fabs(o.front.x) > Hair || std::fabs(o.front.y) > Hair ||
           std::fabs(o.top.x) > Hair || std::fabs(o.top.z) > Hair || o.front.z < 0 || o.top.y < 0;
}

} // namespace remote
