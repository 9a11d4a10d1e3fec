// Placing a source without a window: where the library hears a 3D and a plain
// stereo channel and at what volume and pan, for each path's rule, and a
// batch heard only when it ends.
#include <gtest/gtest.h>
#include <optional>
#include <tuple>

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
    static const fake::Channel& heard(int n) { return fake::channel(Sources[n].Handle); }
    static bool same(const BASS_3DVECTOR& a, const BASS_3DVECTOR& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    }
};

TEST_F(Placing, EachPathsRuleSetsVolumeAndPanAndABatchIsHeardWhenItEnds) {
    // The path, its rule, a stereo channel or not, the place, and the volume
    // and pan the channel then has, from 37 and 13 (unchanged when none).
    constexpr int Volume = 37, Pan = 13;
    const std::tuple<const char*, TPanRule, bool, BASS_3DVECTOR, int, int> cases[] = {
        {"bars, 3D", TPanRule::Keep(), false, {1.f, 1.f, 0.f}, Volume, Pan},
        {"bars, stereo", TPanRule::Keep(), true, {1.f, 2.5f, 0.f}, 61, Pan},
        {"playlist, 3D", TPanRule::FromX(), false, {2.5f, 1.f, 0.f}, Volume, Pan},
        {"playlist, stereo", TPanRule::FromX(), true, {2.5f, 1.f, 0.f}, 85, 99},
        {"drag, 3D", TPanRule::FromStep(50.f), false, {2.5f, 0.f, 0.f}, Volume, Pan},
        {"drag, stereo", TPanRule::FromStep(50.f), true, {2.5f, 0.f, 2.5f}, 61, 100},
        // Past the edge: the library takes -120 as -100.
        {"drag beyond the edge", TPanRule::FromStep(-60.f), true, {-3.f, 0.f, 0.f}, 100, -120},
        {"load, 3D", TPanRule::OnLoad(), false, {2.5f, 1.f, 0.f}, Volume, 99},
        {"load, stereo", TPanRule::OnLoad(), true, {-2.5f, 1.f, 0.f}, Volume, -99},
    };
    for (const auto& [path, rule, stereo, at, volume, pan] : cases) {
        SCOPED_TRACE(path);
        load(7, stereo);
        ASSERT_TRUE(BASS_ChannelSetAttributes(Sources[7].Handle, -1, Volume, Pan));
        PlaceSource(7, at, rule);

        EXPECT_TRUE(same(Sources[7].Position, at));
        EXPECT_TRUE(same(heard(7).heard, at)) << "alone, it is heard there at once";
        EXPECT_EQ(heard(7).volume, volume);
        EXPECT_EQ(heard(7).pan, pan);
    }

    // In a batch, nothing is heard moved before the gesture ends; an empty
    // slot only keeps its position.
    for (int n : {1, 2, 3})
        load(n, n == 2);
    {
        const TPlacementBatch gesture;
        for (int n = 1; n <= 3; ++n) {
            const TPlacementBatch nested; // a handler re-entered inside the gesture
            PlaceSource(n, {0.1f * static_cast<float>(n), 1.f, 0.f}, TPanRule::Keep());
        }
        PlaceSource(4, {1.f, 2.f, 3.f}, TPanRule::FromX());
        for (int n : {1, 2, 3})
            EXPECT_TRUE(same(heard(n).heard, {0.f, 0.f, 0.f})) << n << ": not before the end";
    }
    for (int n : {1, 2, 3})
        EXPECT_TRUE(same(heard(n).heard, {0.1f * static_cast<float>(n), 1.f, 0.f})) << n;
    EXPECT_LT(heard(2).volume, 100)
        << "the stereo channel's volume follows its distance from the X axis";
    EXPECT_TRUE(same(Sources[4].Position, {1.f, 2.f, 3.f})) << "a file loaded later starts there";
}

} // namespace
