// Steps of the user's own work: what the recorder makes of scopes, holds and
// pauses over a changing arrangement, how bursts merge, and the steps' names.
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
    now.Channel(3).Loaded = true;
    now.Channel(3).FileName = "/a.wav";
    {
        const TUndoScope press(r);
        r.SetHeld(true);
    }
    handler(3, 0.5f);
    move(7, 2.f); // a controller's stream between two events of the drag
    move(3, 9.f); // ... also on the dragged channel
    handler(3, 1.f);
    {
        // A datagram handled while a handler runs (a dialog's loop) is not the user's.
        const TUndoScope nested(r);
        move(3, 1.5f);
        const TUndoPause live(r);
        move(8, -1.f);
        r.MarkPlaylist(); // the controller's playlist, not the user's
    }
    EXPECT_TRUE(steps.empty()) << "the drag is still held";
    {
        const TUndoScope release(r);
        r.SetHeld(false);
    }
    move(7, 2.5f); // after the release: nobody's step

    ASSERT_EQ(steps.size(), 1u);
    const TUndoStep& s = steps[0];
    EXPECT_EQ(s.After.ChannelNumbers(), std::vector<int>{3});
    EXPECT_FALSE(s.Playlist);
    EXPECT_EQ(s.Before.Channels[2]->Position.x, 0.f);
    EXPECT_EQ(s.After.Channels[2]->Position.x, 1.5f);
    EXPECT_EQ(s.TimeMs, 1000);
    // Undone over the scene as the controller left it: channel 3 goes back,
    // 7 and 8 stay where the controller put them.
    const TArrangement undone = Overlay(now, s.Before);
    EXPECT_EQ(undone.Channel(3).Position.x, 0.f);
    EXPECT_EQ(undone.Channel(7).Position.x, 2.5f);
    EXPECT_EQ(undone.Channel(8).Position.x, -1.f);
    const TStepName name = NameOfStep(s.Playlist, s.Before, s.After);
    EXPECT_EQ(name.What, TStepWhat::Move);
    EXPECT_EQ(name.Channels, std::vector<int>{3});
}

TEST_F(Recorder, NothingChangedOrBackWhereItBeganIsNoStep) {
    handler(1, 0.f);
    {
        const TUndoScope scope(r);
        move(1, 1.f);
        move(1, 0.f);
    }
    {
        const TUndoPause restoring(r);
        handler(2, 1.f); // a handler run by an undo putting things back
    }
    EXPECT_TRUE(steps.empty());
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

TEST_F(Recorder, AStepIsNamedAfterWhatItDid) {
    auto loaded = [](const char* file, float x = 0.f) {
        TChannelArrangement c;
        c.Loaded = file != nullptr;
        c.FileName = file ? file : "";
        c.Position.x = x;
        return c;
    };
    struct Case {
        const char* what;
        bool playlist;
        std::vector<std::pair<TChannelArrangement, TChannelArrangement>> channels;
        bool reverb;
        TStepWhat name;
        std::vector<int> named;
    } cases[] = {
        {"moves",
         false,
         {{loaded("a", 0), loaded("a", 1)}, {loaded("b", 0), loaded("b", 2)}},
         false,
         TStepWhat::Move,
         {1, 2}},
        {"a remove", false, {{loaded("a"), loaded(nullptr)}}, false, TStepWhat::Remove, {1}},
        {"a load over a file",
         false,
         {{loaded("a"), loaded("b")}, {loaded(nullptr), loaded("b")}},
         false,
         TStepWhat::Load,
         {1, 2}},
        {"a playlist", true, {{loaded("a"), loaded(nullptr)}}, true, TStepWhat::Playlist, {}},
        {"the reverb", false, {}, true, TStepWhat::Reverb, {}},
        {"the room", false, {}, false, TStepWhat::Environment, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TArrangementPart before, after;
        int n = 0;
        for (const auto& [b, a] : c.channels) {
            before.Channels[static_cast<size_t>(n)] = b;
            after.Channels[static_cast<size_t>(n++)] = a;
        }
        if (c.reverb)
            after.ReverbLevel = 3;
        else
            after.Environment = 2;
        const TStepName name = NameOfStep(c.playlist, before, after);
        EXPECT_EQ(name.What, c.name);
        EXPECT_EQ(name.Channels, c.named);
    }
}

TEST(UndoText, ChannelListsAndGainsReadShort) {
    EXPECT_EQ(ChannelList({3}), "3");
    EXPECT_EQ(ChannelList({3, 4}), "3, 4");
    EXPECT_EQ(ChannelList({1, 2, 3, 7, 9, 10, 11, 12}), "1-3, 7, 9-12");
    EXPECT_EQ(ChannelList({}), "");
    EXPECT_EQ(GainInDecibels(0.5f), "-6.0 dB");
    EXPECT_EQ(GainInDecibels(0.1f), "-20.0 dB");
    EXPECT_EQ(GainInDecibels(0.f), "-inf dB");
}

} // namespace
