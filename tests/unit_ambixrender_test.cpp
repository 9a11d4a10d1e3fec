// The AmbiX renderer on the audio library's loopback device: levels against
// the stereo render of the same scene, directions regressed from the first
// order, stereo channels, the turned head, and the reverb as a field without
// direction.
#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "AudioRender.h"
#include "SoundFiles.h"
#include "audiolib.h"
#include "export/AmbixRenderer.h"

namespace {

using namespace testsupport;

constexpr double Pi = 3.141592653589793;

struct TPlaced {
    std::string File;
    BASS_3DVECTOR Position{0, 0, 1};
    bool Plain = false; // opened without 3D, as stereo files are
    int Pan = 0;
};

// A scene on the loopback device, its channels playing from the start.
class TScene {
public:
    explicit TScene(const std::vector<TPlaced>& sources) {
        if (!device_.ok())
            return;
        BASS_Set3DFactors(1, 1, 1);
        for (const TPlaced& p : sources) {
            const DWORD h = BASS_StreamCreateFile(false, p.File.c_str(), 0, 0,
                                                  p.Plain ? 0 : BASS_SAMPLE_3D | BASS_SAMPLE_MONO);
            EXPECT_NE(h, 0u) << p.File << ": " << BASS_ErrorGetCode();
            if (!p.Plain)
                BASS_ChannelSet3DPosition(h, &p.Position, nullptr, nullptr);
            BASS_ChannelSetAttributes(h, -1, -1, p.Pan);
            channels_.push_back(h);
        }
        BASS_Apply3D();
    }
    bool ok() const { return device_.ok(); }
    const std::vector<DWORD>& channels() const { return channels_; }
    void play() {
        for (DWORD h : channels_)
            BASS_ChannelPlay(h, false);
    }

private:
    LoopbackDevice device_;
    std::vector<DWORD> channels_;
};

// Renders seconds of AmbiX; empty on failure.
std::vector<float> RenderAmbix(TAmbixRenderer& r, double seconds) {
    const auto frames = static_cast<size_t>(seconds * kRenderRate);
    std::vector<float> out(frames * static_cast<size_t>(r.Channels()));
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min<size_t>(1024, frames - done);
        if (!r.Render(out.data() + done * static_cast<size_t>(r.Channels()), n))
            return {};
        done += n;
    }
    return out;
}

struct TChannelStats {
    std::vector<double> Rms;   // per channel
    std::vector<double> WithW; // mean product with W, per channel
};
TChannelStats Stats(const std::vector<float>& b, int channels, double from, double to) {
    const auto k = static_cast<size_t>(channels);
    const auto a = static_cast<size_t>(from * kRenderRate);
    const auto e = std::min(b.size() / k, static_cast<size_t>(to * kRenderRate));
    TChannelStats s{std::vector<double>(k), std::vector<double>(k)};
    for (size_t i = a; i < e; ++i)
        for (size_t c = 0; c < k; ++c) {
            s.Rms[c] += double(b[i * k + c]) * b[i * k + c];
            s.WithW[c] += double(b[i * k + c]) * b[i * k];
        }
    for (size_t c = 0; c < k; ++c) {
        s.Rms[c] = std::sqrt(s.Rms[c] / double(e - a));
        s.WithW[c] /= double(e - a);
    }
    return s;
}

// Azimuth and elevation (degrees) pointed at by the first order regressed on W.
std::pair<double, double> Regressed(const TChannelStats& s) {
    const double y = s.WithW[1], z = s.WithW[2], x = s.WithW[3];
    return {std::atan2(y, x) * 180 / Pi, std::atan2(z, std::hypot(x, y)) * 180 / Pi};
}

double Db(double ratio) {
    return 20 * std::log10(ratio);
}

class AmbixRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writeTone(noise_, {.seconds = 1.0, .amplitude = 0.3, .wave = Wave::Noise}));
        ASSERT_TRUE(writeTone(burst_, {.seconds = 0.1, .amplitude = 0.5, .wave = Wave::Noise}));
    }
    TempDir dir_;
    std::string noise_ = dir_.file("noise.wav"), burst_ = dir_.file("burst.wav");
};

// A source's level in W changes with distance as the stereo render's does,
// and equals it at the side, where the device's pan puts the whole source on
// one speaker (OpenAL Soft's stereo pan is not constant power: 1.5 dB less in
// front, 5 dB less behind). The device's own render comes back once the
// renderer goes.
TEST_F(AmbixRender, LevelFollowsTheStereoRenderWithDistance) {
    const auto level = [](const std::vector<float>& s) {
        return std::hypot(rms(s, 0, 0.1, 0.7), rms(s, 1, 0.1, 0.7));
    };
    for (const float sign : {1.0f, -1.0f}) { // in front, at the left
        double w[2] = {}, stereo[2] = {};
        for (const int far : {0, 1}) {
            const float d = far ? 2.5f : 1.0f;
            const BASS_3DVECTOR place = sign > 0 ? BASS_3DVECTOR{0, 0, d} : BASS_3DVECTOR{-d, 0, 0};
            SCOPED_TRACE(testing::Message() << d << " m, x " << place.x);
            {
                TScene scene({{noise_, place}});
                ASSERT_TRUE(scene.ok());
                scene.play();
                stereo[far] = level(render(0.8));
            }
            TScene scene({{noise_, place}});
            ASSERT_TRUE(scene.ok());
            {
                TAmbixRenderer r(scene.channels(), 3);
                ASSERT_EQ(r.Error(), "");
                ASSERT_EQ(r.Channels(), 16);
                scene.play();
                const auto b = RenderAmbix(r, 0.8);
                ASSERT_FALSE(b.empty());
                w[far] = Stats(b, 16, 0.1, 0.7).Rms[0];
            }
            BASS_ChannelPlay(scene.channels()[0], true);
            EXPECT_NEAR(Db(level(render(0.8)) / stereo[far]), 0.0, 0.1)
                << "the device renders directly again";
            EXPECT_GT(stereo[far], 0.01);
            if (sign < 0) {
                EXPECT_NEAR(Db(w[far] / stereo[far]), 0.0, 1.0);
            }
        }
        EXPECT_NEAR(Db(w[1] / w[0]), Db(stereo[1] / stereo[0]), 0.2);
        EXPECT_NEAR(Db(w[1] / w[0]), Db(1 / (1 + 1.5)), 0.2);
    }
}

// The first order points at the source, the head as turned; a stereo
// channel's sides sit 30 degrees off the front, an unpositioned mono channel
// where its pan puts it, each on the side where the device's stereo render
// puts it. The second order's U (ACN 8) is SN3D's
// sqrt(3)/2 cos(2 azimuth) cos^2(elevation) of W.
TEST_F(AmbixRender, FirstOrderPointsAtTheSource) {
    const std::string left = dir_.file("left.wav"), right = dir_.file("right.wav");
    // Stereo files that sound on one side only.
    const auto samples = toneSamples({.channels = 2, .seconds = 1.0, .wave = Wave::Noise});
    std::vector<float> onlyRight(samples.size()), onlyLeft(samples.size());
    for (size_t i = 0; i < samples.size(); i += 2) {
        onlyLeft[i] = samples[i];
        onlyRight[i + 1] = samples[i + 1];
    }
    ASSERT_TRUE(writeFloatWav(left, onlyLeft, 2, kRenderRate));
    ASSERT_TRUE(writeFloatWav(right, onlyRight, 2, kRenderRate));
    const BASS_3DVECTOR ahead[2] = {{0, 0, 1}, {0, 1, 0}};
    const BASS_3DVECTOR turnedLeft[2] = {{-1, 0, 0}, {0, 1, 0}};
    const struct {
        const char* name;
        TPlaced source;
        const BASS_3DVECTOR* head;
        double azimuth, elevation;
    } cases[] = {
        {"front", {noise_, {0, 0, 1.5f}}, ahead, 0, 0},
        {"right", {noise_, {2, 0, 0}}, ahead, -90, 0},
        {"left", {noise_, {-1, 0, 0}}, ahead, 90, 0},
        {"up-left-front", {noise_, {-1, 1, 1}}, ahead, 45, 35.26},
        {"behind", {noise_, {0, 0, -2}}, ahead, 180, 0},
        {"front, head turned left", {noise_, {0, 0, 1}}, turnedLeft, -90, 0},
        {"stereo left side", {left, {}, true}, ahead, 30, 0},
        {"stereo right side", {right, {}, true}, ahead, -30, 0},
        {"stereo right side, balance left", {right, {}, true, -50}, ahead, -30, 0},
        {"plain mono, pan half right", {noise_, {}, true, 50}, ahead, -45, 0},
    };
    for (const auto& c : cases) {
        // The device's own stereo render agrees on the side.
        SCOPED_TRACE(c.name);
        const double side = std::sin(c.azimuth * Pi / 180) * std::cos(c.elevation * Pi / 180);
        if (std::fabs(side) < 0.5)
            continue;
        TScene scene({c.source});
        ASSERT_TRUE(scene.ok());
        AUDIOLIB_SetListenerOrientation(&c.head[0], &c.head[1]);
        BASS_Apply3D();
        scene.play();
        const auto stereo = render(0.3);
        EXPECT_GT(rms(stereo, side > 0 ? 0 : 1), 2 * rms(stereo, side > 0 ? 1 : 0));
    }
    for (const int order : {1, 3})
        for (const auto& c : cases) {
            SCOPED_TRACE(testing::Message() << c.name << ", order " << order);
            TScene scene({c.source});
            ASSERT_TRUE(scene.ok());
            AUDIOLIB_SetListenerOrientation(&c.head[0], &c.head[1]);
            BASS_Apply3D();
            TAmbixRenderer r(scene.channels(), order);
            ASSERT_EQ(r.Error(), "");
            scene.play();
            const auto b = RenderAmbix(r, 0.5);
            const auto s = Stats(b, r.Channels(), 0.05, 0.45);
            const auto [az, el] = Regressed(s);
            EXPECT_NEAR(std::remainder(az - c.azimuth, 360.0), 0.0, 3.0);
            EXPECT_NEAR(el, c.elevation, 3.0);
            EXPECT_GT(s.Rms[0], 0.02);
            if (order == 3) {
                const double a = c.azimuth * Pi / 180, e = c.elevation * Pi / 180;
                EXPECT_NEAR(s.WithW[8] / s.WithW[0],
                            std::sqrt(3.0) / 2 * std::cos(2 * a) * std::cos(e) * std::cos(e), 0.03);
            }
        }
}

// A source moving round the head from the left to the right, moved between
// blocks as the export moves it: the first order follows it all the way.
TEST_F(AmbixRender, AMovingSourceIsFollowedBetweenBlocks) {
    TScene scene({{noise_, {-1, 0, 0}}});
    ASSERT_TRUE(scene.ok());
    TAmbixRenderer r(scene.channels(), 1);
    ASSERT_EQ(r.Error(), "");
    scene.play();
    constexpr size_t Block = 1024;
    constexpr double Seconds = 0.9;
    const auto azimuthAt = [](double t) { return 90.0 - 180.0 * t / Seconds; };
    std::vector<float> b;
    std::vector<float> block(Block * 4);
    for (double t = 0; t < Seconds; t += double(Block) / kRenderRate) {
        const double a = azimuthAt(t) * Pi / 180;
        // Program axes: +X right, +Z front; AmbiX azimuth counts to the left.
        const BASS_3DVECTOR p{-float(std::sin(a)), 0, float(std::cos(a))};
        BASS_ChannelSet3DPosition(scene.channels()[0], &p, nullptr, nullptr);
        BASS_Apply3D();
        ASSERT_TRUE(r.Render(block.data(), Block));
        b.insert(b.end(), block.begin(), block.end());
    }
    for (double t = 0.1; t < 0.8; t += 0.1) {
        SCOPED_TRACE(testing::Message() << t << " s");
        const auto [az, el] = Regressed(Stats(b, 4, t - 0.02, t + 0.02));
        EXPECT_NEAR(az, azimuthAt(t), 5.0);
        EXPECT_NEAR(el, 0.0, 1.0);
    }
}

// The room's return is in W alone: the tail after a burst has no direction,
// and while the burst plays its direction is still the source's.
TEST_F(AmbixRender, ReverbIsAFieldWithoutDirection) {
    TScene scene({{burst_, {-1, 0, 0}}});
    ASSERT_TRUE(scene.ok());
    ASSERT_TRUE(BASS_SetEAXParameters(EAX_ENVIRONMENT_HANGAR, 1.0f, -1, -1));
    TAmbixRenderer r(scene.channels(), 2);
    ASSERT_EQ(r.Error(), "");
    scene.play();
    const auto b = RenderAmbix(r, 1.0);
    const auto burst = Stats(b, 9, 0.0, 0.1), tail = Stats(b, 9, 0.2, 1.0);
    EXPECT_GT(tail.Rms[0], 1e-3) << "the room rings on in W";
    for (size_t c = 1; c < 9; ++c)
        EXPECT_EQ(tail.Rms[c], 0.0) << "ACN " << c;
    EXPECT_NEAR(Regressed(burst).first, 90, 3.0);
    EXPECT_GT(burst.Rms[0], burst.Rms[1]) << "the room adds to W alone";
}

} // namespace
