// Steps of the user's own work: what the recorder makes of scopes, holds and
// pauses over a changing arrangement, how bursts merge, and the words used.
#include <gtest/gtest.h>
#include <vector>

#include "channels/ChannelLevels.h"
#include "undo/UndoRecorder.h"

namespace {

class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        r.Capture = [this] { return now; };
        r.OnStep = [this](TUndoStep&& s) { steps.push_back(std::move(s)); };
        r.NowMs = [this] { return clock; };
    }
    void move(int n, float x) { now.Channel(n).Position.x = x; }
    // A user's handler that moves channel n to x.
    void handler(int n, float x, bool mergeable = false) {
        const TUndoScope scope(r, mergeable);
        move(n, x);
    }

    TArrangement now;
    TUndoRecorder r;
    std::vector<TUndoStep> steps;
    int64_t clock = 1000;
};

TEST_F(Recorder, ADragIsOneStepOfItsOwnChannelsWhateverAControllerDoesMeanwhile) {
    r.SetHeld(true); // the press on a marker
    handler(3, 0.5f);
    move(7, 2.f); // a controller's stream between two events of the drag
    {
        // A datagram handled while a handler runs (in a dialog's loop, say).
        const TUndoScope nested(r);
        move(3, 1.5f);
        const TUndoPause live(r);
        move(8, -1.f);
        r.MarkPlaylist(); // the controller's playlist, not the user's
    }
    EXPECT_TRUE(steps.empty()) << "the drag is still held";
    r.SetHeld(false);
    handler(4, 0.f); // changes nothing: no step

    ASSERT_EQ(steps.size(), 1u);
    const TUndoStep& s = steps[0];
    EXPECT_FALSE(s.Playlist);
    EXPECT_EQ(s.After.ChannelNumbers(), std::vector<int>{3});
    EXPECT_EQ(s.After.Channels[2]->Position.x, 1.5f);
    // Undone over the scene as the controller left it: channel 3 goes back,
    // 7 and 8 stay where the controller put them.
    const TArrangement undone = Overlay(now, s.Before);
    EXPECT_EQ(undone.Channel(3).Position.x, 0.f);
    EXPECT_EQ(undone.Channel(7).Position.x, 2.f);
    EXPECT_EQ(undone.Channel(8).Position.x, -1.f);
}

TEST_F(Recorder, BurstsMergeWithinHalfASecondOnTheSameSubjectOnly) {
    struct Case {
        const char* what;
        int64_t gap;
        int secondChannel;
        bool secondMergeable;
        bool merges;
    } cases[] = {
        {"the next key soon after", 400, 2, true, true},
        {"a pause between keys", 600, 2, true, false},
        {"another channel", 100, 5, true, false},
        {"a drag after keys", 100, 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        steps.clear();
        now = {};
        handler(2, 0.05f, true);
        clock += c.gap;
        handler(c.secondChannel, 0.1f, c.secondMergeable);
        ASSERT_EQ(steps.size(), 2u);
        TUndoStep merged = steps[0];
        EXPECT_EQ(MergeSteps(merged, steps[1], 500), c.merges);
        if (c.merges) {
            EXPECT_EQ(merged.Before.Channels[1]->Position.x, 0.f);
            EXPECT_EQ(merged.After.Channels[1]->Position.x, 0.1f);
            EXPECT_EQ(merged.TimeMs, steps[1].TimeMs) << "the window runs from the last key";
        }
    }
}

TEST(UndoText, ChannelListsAndGainsReadShort) {
    EXPECT_EQ(ChannelList({3}), "3");
    EXPECT_EQ(ChannelList({3, 4}), "3, 4");
    EXPECT_EQ(ChannelList({1, 2, 3, 7, 9, 10, 11, 12}), "1-3, 7, 9-12");
    EXPECT_EQ(GainInDecibels(0.5f), "-6.0 dB");
    EXPECT_EQ(GainInDecibels(0.f), "-inf dB");
}

} // namespace
