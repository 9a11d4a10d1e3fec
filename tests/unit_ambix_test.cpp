// AmbiX encoding without audio: the channels' values for known directions, the
// SN3D normalisation, the turned head, the device's distance gain and the
// mixer's ramps.
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

#include "export/Ambix.h"
#include "export/Limiter.h"

namespace {

constexpr double R3 = 1.7320508075688772;  // sqrt(3)
constexpr double R38 = 0.6123724356957945; // sqrt(3/8)
constexpr double R58 = 0.7905694150420949; // sqrt(5/8)
constexpr double R15 = 3.872983346207417;  // sqrt(15)
constexpr double H = 0.7071067811865476;   // sqrt(1/2)

std::vector<float> Coefficients(int order, const TAmbixDirection& d) {
    std::vector<float> c(static_cast<size_t>(AmbixChannelsOf(order)));
    AmbixCoefficients(order, d, c.data());
    return c;
}

// Values read off the SN3D tables of the AmbiX format for directions where
// each harmonic is plain to evaluate, in ACN order W Y Z X V T R S U Q O M K L N P.
TEST(Ambix, ChannelsOfKnownDirectionsForEveryOrder) {
    const struct {
        const char* name;
        double azimuth, elevation;
        double expected[16];
    } cases[] = {
        {"front", 0, 0, {1, 0, 0, 1, 0, 0, -0.5, 0, R3 / 2, 0, 0, 0, 0, -R38, 0, R58}},
        {"left", 90, 0, {1, 1, 0, 0, 0, 0, -0.5, 0, -R3 / 2, -R58, 0, -R38, 0, 0, 0, 0}},
        {"back", 180, 0, {1, 0, 0, -1, 0, 0, -0.5, 0, R3 / 2, 0, 0, 0, 0, R38, 0, -R58}},
        {"right", -90, 0, {1, -1, 0, 0, 0, 0, -0.5, 0, -R3 / 2, R58, 0, R38, 0, 0, 0, 0}},
        {"up", 0, 90, {1, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0}},
        {"down", 0, -90, {1, 0, -1, 0, 0, 0, 1, 0, 0, 0, 0, 0, -1, 0, 0, 0}},
        // Front-left on the horizon: sin 2az = 1, cos 2az = 0, sin 3az = -cos 3az = H.
        {"front-left",
         45,
         0,
         {1, H, 0, H, R3 / 2, 0, -0.5, 0, 0, R58 * H, 0, -R38 * H, 0, -R38 * H, 0, -R58 * H}},
        // Front, 45 degrees up: cos el = sin el = H, sin 2el = 1.
        {"front-up",
         0,
         45,
         {1, 0, H, H, 0, 0, 0.25, R3 / 2, R3 / 4, 0, 0, 0, -H / 4, R38 * 1.5 * H, R15 / 4 * H,
          R58 * H / 2}},
    };
    for (const auto& c : cases)
        for (int order = 1; order <= 3; ++order) {
            const auto got = Coefficients(order, AmbixDirectionOfAngles(c.azimuth, c.elevation));
            ASSERT_EQ(got.size(), static_cast<size_t>((order + 1) * (order + 1)));
            for (size_t i = 0; i < got.size(); ++i)
                EXPECT_NEAR(got[i], c.expected[i], 1e-5)
                    << c.name << ", order " << order << ", ACN " << i;
        }
}

// SN3D: for any direction the squares of one order's harmonics add up to 1.
TEST(Ambix, EachOrdersSquaresAddUpToOneInAnyDirection) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> az(-180, 180), z(-1, 1);
    for (int trial = 0; trial < 200; ++trial) {
        const double elevation = std::asin(z(random)) * 180 / 3.141592653589793;
        const auto c = Coefficients(3, AmbixDirectionOfAngles(az(random), elevation));
        for (int n = 0; n <= 3; ++n) {
            double sum = 0;
            for (int i = n * n; i < (n + 1) * (n + 1); ++i)
                sum += double(c[static_cast<size_t>(i)]) * c[static_cast<size_t>(i)];
            EXPECT_NEAR(sum, 1.0, 1e-5) << "order " << n << ", trial " << trial;
        }
    }
}

// The program's axes (X right, Y up, Z front) seen by the head as it stands
// and as a controller turns it.
TEST(Ambix, DirectionOfASourceAsTheHeadHearsIt) {
    const THeadOrientation ahead{};
    const THeadOrientation lookingLeft{{-1, 0, 0}, {0, 1, 0}};
    const THeadOrientation lookingRight{{1, 0, 0}, {0, 1, 0}};
    const THeadOrientation lookingUp{{0, 1, 0}, {0, 0, -1}};
    const THeadOrientation tiltedLeft{{0, 0, 1}, {-1, 1, 0}}; // head leaning to the left
    const struct {
        const char* name;
        TVec3 position;
        THeadOrientation head;
        TAmbixDirection expected;
    } cases[] = {
        {"front", {0, 0, 2}, ahead, {1, 0, 0}},
        {"behind", {0, 0, -0.5f}, ahead, {-1, 0, 0}},
        {"right", {1.5f, 0, 0}, ahead, {0, -1, 0}},
        {"left", {-1, 0, 0}, ahead, {0, 1, 0}},
        {"above", {0, 2, 0}, ahead, {0, 0, 1}},
        {"front-left-up", {-1, 1, 1}, ahead, {0.57735f, 0.57735f, 0.57735f}},
        {"front, head turned left", {0, 0, 1}, lookingLeft, {0, -1, 0}},
        {"front, head turned right", {0, 0, 1}, lookingRight, {0, 1, 0}},
        {"left, head turned left", {-2, 0, 0}, lookingLeft, {1, 0, 0}},
        {"front, looking up", {0, 0, 1}, lookingUp, {0, 0, -1}},
        {"above, looking up", {0, 1, 0}, lookingUp, {1, 0, 0}},
        // Leaning the head left raises the right ear above a source on the right.
        {"right, head leaning left", {1, 0, 0}, tiltedLeft, {0, -H, -H}},
        // A top off the square is made square to where the head looks.
        {"front, top not square", {0, 0, 1}, {{0, 0, 2}, {0, 1, 1}}, {1, 0, 0}},
    };
    for (const auto& c : cases) {
        const auto d = AmbixDirectionOf(c.position, c.head);
        ASSERT_TRUE(d) << c.name;
        EXPECT_NEAR(d->Front, c.expected.Front, 1e-4) << c.name;
        EXPECT_NEAR(d->Left, c.expected.Left, 1e-4) << c.name;
        EXPECT_NEAR(d->Up, c.expected.Up, 1e-4) << c.name;
    }
    EXPECT_FALSE(AmbixDirectionOf({0, 0, 0})) << "a source on the listener has no direction";
    EXPECT_FALSE(AmbixDirectionOf({0, 0, 1}, {{0, 0, 0}, {0, 1, 0}}));
    EXPECT_FALSE(AmbixDirectionOf({0, 0, 1}, {{0, 1, 0}, {0, 2, 0}}));
}

// OpenAL's inverse distance clamped: ref / (ref + rolloff * (clamp(d) - ref)).
TEST(Ambix, DistanceGainAsTheDeviceAppliesIt) {
    const struct {
        TVec3 position;
        TDistanceModel model;
        double expected;
    } cases[] = {
        {{0, 0, 1}, {}, 1.0},
        {{0, 0, 2.5f}, {}, 0.4},
        {{1.5f, 0, -2}, {}, 0.4},   // 2.5 m behind-right
        {{0.3f, 0.2f, 0}, {}, 1.0}, // inside the reference distance
        {{0, 0, 0}, {}, 1.0},
        {{0, 2.5f, 0}, {1, 2, 1}, 0.25},
        {{0, 0, 2.5f}, {2, 1, 1}, 0.2},
        {{0, 0, 2.5f}, {1, 0, 1}, 1.0},   // no roll-off
        {{0, 0, 10}, {1, 1, 1, 4}, 0.25}, // beyond the maximum distance
    };
    for (const auto& c : cases)
        EXPECT_NEAR(DistanceGain(c.position, c.model), c.expected, 1e-6);
    EXPECT_NEAR(20 * std::log10(DistanceGain({0, 0, 2.5f})), -7.96, 0.01);
}

// Interleaved blocks; a moving source's coefficients ramp within the block;
// the diffuse return reaches W alone.
TEST(Ambix, MixerRampsSourcesAndKeepsTheReverbInW) {
    TAmbixMixer mixer(2);
    ASSERT_EQ(mixer.Channels(), 9);
    constexpr size_t N = 64;
    const std::vector<float> ones(N, 1.0f), half(N, 0.5f);
    std::vector<float> front(9), left(9);
    AmbixCoefficients(2, AmbixDirectionOfAngles(0, 0), front.data());
    AmbixCoefficients(2, AmbixDirectionOfAngles(90, 0), left.data());

    mixer.Begin(N);
    mixer.AddSource(ones.data(), front.data(), left.data());
    mixer.AddSource(half.data(), front.data());
    mixer.AddDiffuse(ones.data(), 0.25f);
    ASSERT_EQ(mixer.Frames(), N);
    const float* b = mixer.Block();
    // W: both sources at gain 1, plus the reverb.
    for (size_t i = 0; i < N; ++i)
        EXPECT_NEAR(b[i * 9], 1.0f + 0.5f + 0.25f, 1e-5) << i;
    // Y goes from front (0) to left (1) in even steps, ending on the target.
    for (size_t i = 0; i < N; ++i)
        EXPECT_NEAR(b[i * 9 + 1], float(i + 1) / N, 1e-5) << i;
    // X from 1 to 0 for the moving source, 0.5 throughout for the still one.
    EXPECT_NEAR(b[3], 1.0f - 1.0f / N + 0.5f, 1e-5);
    EXPECT_NEAR(b[(N - 1) * 9 + 3], 0.5f, 1e-5);
    // Nothing goes up.
    for (size_t i = 0; i < N; ++i)
        EXPECT_NEAR(b[i * 9 + 2], 0.0f, 1e-6);

    mixer.Begin(8); // a new block starts silent
    EXPECT_EQ(mixer.Frames(), 8u);
    for (size_t i = 0; i < 8 * 9; ++i)
        EXPECT_EQ(mixer.Block()[i], 0.0f);
    EXPECT_EQ(TAmbixMixer(0).Channels(), 4) << "orders outside 1..3 are clamped";
    EXPECT_EQ(TAmbixMixer(7).Channels(), 16);
}

} // namespace

// The limiter keeps every channel at or below full scale with one gain (the
// ratios between channels, i.e. the direction, stay), leaves quiet frames
// exactly as they are, and recovers after the loud part.
TEST(Ambix, LimiterKeepsFullScaleAndTheDirection) {
    constexpr int K = 4, Rate = 1000; // a release of 0.1 s is 100 frames here
    TOutputLimiter limiter(K, Rate);
    std::vector<float> quiet(50 * K), loud(50 * K), after(2000 * K);
    for (size_t i = 0; i < 50; ++i) {
        const float quietFrame[K] = {0.9f, 0.5f, -0.2f, 0.3f};
        const float loudFrame[K] = {2.0f, 1.0f, -0.4f, -2.5f};
        for (size_t c = 0; c < K; ++c) {
            quiet[i * K + c] = quietFrame[c] * (i % 2 ? 1.0f : -1.0f);
            loud[i * K + c] = loudFrame[c] * (i % 2 ? 1.0f : -1.0f);
        }
    }
    auto processed = quiet;
    limiter.Process(processed.data(), 50);
    EXPECT_EQ(processed, quiet) << "nothing to do: bit for bit the same";
    EXPECT_EQ(limiter.LimitedFrames(), 0u);
    EXPECT_EQ(limiter.DeepestDb(), 0.0);

    processed = loud;
    limiter.Process(processed.data(), 50);
    for (size_t i = 0; i < 50; ++i) {
        for (size_t c = 0; c < K; ++c)
            EXPECT_LE(std::fabs(processed[i * K + c]), 1.0f + 1e-6f) << i;
        EXPECT_NEAR(processed[i * K + 1] / processed[i * K], 0.5, 1e-5) << i;
        EXPECT_NEAR(processed[i * K + 3] / processed[i * K], -1.25, 1e-5) << i;
    }
    EXPECT_NEAR(std::fabs(processed[49 * K + 3]), 1.0f, 1e-5) << "the peak reaches the ceiling";

    for (size_t i = 0; i < 2000; ++i)
        std::copy(quiet.begin(), quiet.begin() + K, after.begin() + static_cast<long>(i * K));
    auto recovered = after;
    limiter.Process(recovered.data(), 2000);
    EXPECT_GT(recovered[0], -0.9f * 0.5f) << "still held down at first";
    EXPECT_EQ(limiter.Gain(), 1.0f) << "back to unity within twenty release times";
    EXPECT_EQ(recovered[1999 * K], quiet[0]);
    // What the summary says: the loudest frame's reduction, and the frames
    // held down (the loud part and the recovery, not the quiet start).
    EXPECT_NEAR(limiter.DeepestDb(), 20 * std::log10(1 / 2.5), 1e-4);
    EXPECT_EQ(limiter.Frames(), 2100u);
    EXPECT_GT(limiter.LimitedFrames(), 50u + 100u);
    EXPECT_LT(limiter.LimitedFrames(), 50u + 2000u);
}
