#include "export/Ambix.h"

#include <algorithm>
#include <cmath>

#include "SpaceAxes.h"

namespace {

float Dot(const TVec3& a, const TVec3& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

// The cross product by the usual formula. In the program's left-handed axes
// it still gives Top x Front = Right, as (0,1,0) x (0,0,1) = (1,0,0) shows.
TVec3 Cross(const TVec3& a, const TVec3& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

std::optional<TVec3> Normalised(const TVec3& v) {
    const float length = std::sqrt(Dot(v, v));
    if (!std::isfinite(length) || length < 1e-6f)
        return std::nullopt;
    return TVec3{v.X / length, v.Y / length, v.Z / length};
}

int ClampedOrder(int order) {
    return std::clamp(order, MinAmbixOrder, MaxAmbixOrder);
}

} // namespace

TAmbixDirection AmbixDirectionOfAngles(double azimuthDeg, double elevationDeg) {
    const axes::Triple<double> d = axes::FrontLeftUpOfAngles(azimuthDeg, elevationDeg);
    return {static_cast<float>(d[0]), static_cast<float>(d[1]), static_cast<float>(d[2])};
}

void AmbixCoefficients(int order, const TAmbixDirection& d, float* out) {
    order = ClampedOrder(order);
    const double x = d.Front, y = d.Left, z = d.Up;
    const double s3 = std::sqrt(3.0);
    double c[MaxAmbixChannels] = {
        1.0,
        y,
        z,
        x,
        s3 * x * y,
        s3 * y * z,
        0.5 * (3 * z * z - 1),
        s3 * x * z,
        0.5 * s3 * (x * x - y * y),
        std::sqrt(5.0 / 8) * y * (3 * x * x - y * y),
        std::sqrt(15.0) * x * y * z,
        std::sqrt(3.0 / 8) * y * (5 * z * z - 1),
        0.5 * z * (5 * z * z - 3),
        std::sqrt(3.0 / 8) * x * (5 * z * z - 1),
        0.5 * std::sqrt(15.0) * z * (x * x - y * y),
        std::sqrt(5.0 / 8) * x * (x * x - 3 * y * y),
    };
    for (int i = 0; i < AmbixChannelsOf(order); ++i)
        out[i] = static_cast<float>(c[i]);
}

std::optional<TAmbixDirection> AmbixDirectionOf(const TVec3& position,
                                                const THeadOrientation& head) {
    const auto front = Normalised(head.Front);
    const auto source = Normalised(position);
    if (!front || !source)
        return std::nullopt;
    const auto right = Normalised(Cross(head.Top, *front));
    if (!right)
        return std::nullopt;
    // The head's own up, square to where it looks.
    const TVec3 up = Cross(*front, *right);
    // The source in the head's own program axes (right, up, front), then in AmbiX's.
    const auto d =
        axes::FrontLeftUpFromProgram(Dot(*source, *right), Dot(*source, up), Dot(*source, *front));
    return TAmbixDirection{d[0], d[1], d[2]};
}

float DistanceGain(const TVec3& position, const TDistanceModel& m) {
    const float d = m.DistanceFactor;
    const TVec3 scaled{position.X * d, position.Y * d, position.Z * d};
    const float distance =
        std::min(std::max(std::sqrt(Dot(scaled, scaled)), m.Reference), m.Maximum);
    const float denominator = m.Reference + m.RollOff * (distance - m.Reference);
    return denominator > 0 ? m.Reference / denominator : 1.0f;
}

TAmbixMixer::TAmbixMixer(int order)
    : order_(ClampedOrder(order)), channels_(AmbixChannelsOf(order_)) {}

void TAmbixMixer::Begin(size_t frames) {
    frames_ = frames;
    block_.assign(frames * static_cast<size_t>(channels_), 0.0f);
}

namespace {

// The channel count as a constant, so the compiler unrolls and vectorises the
// inner loop: this loop is most of an AmbiX export's own work.
template <size_t K>
void AddRamped(float* out, size_t frames, const float* mono, const float* from, const float* to) {
    float step[K], c[K];
    const float n = static_cast<float>(frames);
    for (size_t j = 0; j < K; ++j) {
        step[j] = (to[j] - from[j]) / n;
        c[j] = from[j];
    }
    for (size_t i = 0; i < frames; ++i, out += K) {
        const float s = mono[i];
        for (size_t j = 0; j < K; ++j) {
            c[j] += step[j];
            out[j] += c[j] * s;
        }
    }
}

} // namespace

void TAmbixMixer::AddSource(const float* mono, const float* from, const float* to) {
    switch (channels_) {
    case AmbixChannelsOf(1):
        return AddRamped<AmbixChannelsOf(1)>(block_.data(), frames_, mono, from, to);
    case AmbixChannelsOf(2):
        return AddRamped<AmbixChannelsOf(2)>(block_.data(), frames_, mono, from, to);
    default:
        return AddRamped<AmbixChannelsOf(3)>(block_.data(), frames_, mono, from, to);
    }
}

void TAmbixMixer::AddDiffuse(const float* mono, float gain) {
    const size_t k = static_cast<size_t>(channels_);
    for (size_t i = 0; i < frames_; ++i)
        block_[i * k] += gain * mono[i];
}
