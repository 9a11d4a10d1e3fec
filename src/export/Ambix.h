// AmbiX encoding without audio: ACN channel order, SN3D normalisation, orders
// 1 to 3. The direction of a source as the listener hears it (head turned or
// not), the distance gain the audio device applies, and a mixer that encodes
// mono blocks into interleaved (order + 1)^2 channel blocks.
//
// Axes (SpaceAxes.h): the program's space is left-handed (+X right, +Y up, +Z
// in front of the listener); AmbiX's is right-handed with x to the front, y to
// the left and z up, azimuth counter-clockwise from the front (a source on the
// left has a positive y), elevation up from the horizontal plane.
#pragma once

#include <cfloat>
#include <cstddef>
#include <optional>
#include <vector>

constexpr int MinAmbixOrder = 1;
constexpr int MaxAmbixOrder = 3;
// Channels of an order: (order + 1)^2.
constexpr int AmbixChannelsOf(int order) {
    return (order + 1) * (order + 1);
}
constexpr int MaxAmbixChannels = AmbixChannelsOf(MaxAmbixOrder);

struct TVec3 {
    float X = 0, Y = 0, Z = 0;
};

// A unit vector in AmbiX's axes: front, left, up.
struct TAmbixDirection {
    float Front = 1, Left = 0, Up = 0;
};

// The direction at azimuth and elevation in degrees (AmbiX's convention).
TAmbixDirection AmbixDirectionOfAngles(double azimuthDeg, double elevationDeg);

// Fills out[0 .. AmbixChannelsOf(order)) with the SN3D real spherical
// harmonics of the direction, in ACN order (W, Y, Z, X, V, T, R, S, U, ...).
void AmbixCoefficients(int order, const TAmbixDirection& direction, float* out);

// Where the listener looks and where the top of the head points, in the
// program's axes; they need not be unit length nor exactly perpendicular.
struct THeadOrientation {
    TVec3 Front{0, 0, 1};
    TVec3 Top{0, 1, 0};
};

// The direction of a source at position (the program's axes, the listener at
// the origin) as the turned head hears it; none when the source sits on the
// listener (it has no direction) or the orientation is degenerate.
std::optional<TAmbixDirection> AmbixDirectionOf(const TVec3& position,
                                                const THeadOrientation& head = {});

// OpenAL's inverse-distance-clamped model as the audio library sets it up:
// positions scaled by the distance factor, reference distance 1, roll-off
// factor as set, no maximum distance.
struct TDistanceModel {
    float DistanceFactor = 1.0f;
    float RollOff = 1.0f;
    float Reference = 1.0f;
    float Maximum = FLT_MAX;
};
// The gain of a source at position (the program's units).
float DistanceGain(const TVec3& position, const TDistanceModel& model = {});

// Sums mono blocks into one interleaved block of AmbixChannelsOf(order)
// channels.
class TAmbixMixer {
public:
    explicit TAmbixMixer(int order);
    int Order() const { return order_; }
    int Channels() const { return channels_; }

    // Starts a block of frames, all channels silent.
    void Begin(size_t frames);
    // Adds a source, its coefficients (gain included) moving linearly from
    // from[] (where the last block left them) to to[] at the block's last
    // frame, so that a moving source does not step from block to block.
    void AddSource(const float* mono, const float* from, const float* to);
    // Adds the same coefficients throughout the block.
    void AddSource(const float* mono, const float* coefficients) {
        AddSource(mono, coefficients, coefficients);
    }
    // Adds sound without a direction (the room's and the reverbs' return): to
    // W alone, so that it pulls no source's direction.
    void AddDiffuse(const float* mono, float gain);
    // The block: frames x Channels() floats.
    const float* Block() const { return block_.data(); }
    size_t Frames() const { return frames_; }

private:
    int order_, channels_;
    size_t frames_ = 0;
    std::vector<float> block_;
};
