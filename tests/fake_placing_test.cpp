// Placing a source without a window: what reaches the audio library for each
// path's rule, for a 3D and a plain stereo channel, and a batch applied once.
#include <gtest/gtest.h>
#include <optional>
#include <tuple>
#include <vector>

#include "FakeAudio.h"
#include "ProgramTest.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "spatial/Spatial.h"

namespace {

// No window: the program's state at its defaults, the library opened directly.
class Placing : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        fake::reset();
        ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
        fake::state().files = {{"/s/mono.wav", fake::FileKind::Mono},
                               {"/s/two.wav", fake::FileKind::Stereo}};
    }

    // Slot n holding a channel opened as the program opens it.
    static void load(int n, bool stereo) {
        TSource& s = Sources[n];
        s.Handle = stereo ? BASS_StreamCreateFile(false, "/s/two.wav", 0, 0, BASS_SAMPLE_LOOP)
                          : BASS_StreamCreateFile(false, "/s/mono.wav", 0, 0,
                                                  BASS_SAMPLE_MONO | BASS_SAMPLE_3D);
        ASSERT_NE(s.Handle, 0u);
        s.IsStereo = stereo;
        s.Loaded = true;
    }
};

TEST_F(Placing, EachPathsRuleSetsVolumeAndPanAndABatchAppliesOnce) {
    using A = TPlacedAttributes;
    // The path, its rule, a stereo channel or not, the place, and the volume and
    // pan set (none: no attribute call at all).
    const std::tuple<const char*, TPanRule, bool, BASS_3DVECTOR, std::optional<A>> cases[] = {
        {"bars, 3D", TPanRule::Keep(), false, {1.f, 1.f, 0.f}, std::nullopt},
        {"bars, stereo", TPanRule::Keep(), true, {1.f, 2.5f, 0.f}, A{61, -101}},
        {"playlist, 3D", TPanRule::FromX(), false, {2.5f, 1.f, 0.f}, std::nullopt},
        {"playlist, stereo", TPanRule::FromX(), true, {2.5f, 1.f, 0.f}, A{85, 99}},
        {"drag, 3D", TPanRule::FromStep(50.f), false, {2.5f, 0.f, 0.f}, std::nullopt},
        {"drag, stereo", TPanRule::FromStep(50.f), true, {2.5f, 0.f, 2.5f}, A{61, 100}},
        {"drag beyond the edge", TPanRule::FromStep(-60.f), true, {-3.f, 0.f, 0.f}, A{100, -120}},
        {"load, 3D", TPanRule::OnLoad(), false, {2.5f, 1.f, 0.f}, A{-1, 99}},
        {"load, stereo", TPanRule::OnLoad(), true, {-2.5f, 1.f, 0.f}, A{-1, -99}},
    };
    for (const auto& [path, rule, stereo, at, attributes] : cases) {
        SCOPED_TRACE(path);
        load(7, stereo);
        fake::clearCalls();
        PlaceSource(7, at, rule);

        const DWORD h = Sources[7].Handle;
        EXPECT_EQ(Sources[7].Position.x, at.x);
        EXPECT_EQ(Sources[7].Position.z, at.z);
        const auto pos = fake::calls("BASS_ChannelSet3DPosition");
        ASSERT_EQ(pos.size(), 1u);
        EXPECT_EQ(pos[0].args, (std::vector<double>{double(h), at.x, at.y, at.z, 0, 0}));
        EXPECT_EQ(fake::calls("BASS_Apply3D").size(), 1u) << "alone, it applies at once";
        const auto attrs = fake::calls("BASS_ChannelSetAttributes");
        EXPECT_EQ(PlacedAttributes(rule, stereo, at, UnitsPerStep), attributes);
        ASSERT_EQ(attrs.size(), attributes ? 1u : 0u);
        if (attributes) {
            EXPECT_EQ(attrs[0].args, (std::vector<double>{double(h), -1, double(attributes->Volume),
                                                          double(attributes->Pan)}));
        }
    }

    // In a batch it applies once; an empty slot only keeps its position.
    for (int n : {1, 2, 3})
        load(n, n == 2);
    fake::clearCalls();
    {
        const TPlacementBatch gesture;
        for (int n = 1; n <= 3; ++n) {
            const TPlacementBatch nested; // a handler re-entered inside the gesture
            PlaceSource(n, {0.1f * n, 0.f, 0.f}, TPanRule::Keep());
        }
        PlaceSource(4, {1.f, 2.f, 3.f}, TPanRule::FromX());
        EXPECT_TRUE(fake::calls("BASS_Apply3D").empty()) << "not before the gesture ends";
    }
    EXPECT_EQ(fake::calls("BASS_ChannelSet3DPosition").size(), 3u) << "slot 4 is empty";
    EXPECT_EQ(fake::calls("BASS_Apply3D").size(), 1u);
    EXPECT_EQ(fake::calls("BASS_ChannelSetAttributes").size(), 1u) << "the stereo channel";
    EXPECT_EQ(Sources[4].Position.z, 3.f) << "a file loaded later starts there";

    fake::clearCalls();
    {
        const TPlacementBatch nothingMoved;
        PlaceSource(5, {0.f, 0.f, 0.f}, TPanRule::Keep());
    }
    EXPECT_TRUE(fake::state().calls.empty()) << "a batch that placed nothing applies nothing";
}

} // namespace
