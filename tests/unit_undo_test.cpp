// The arrangement's one way of change (requests in order, re-entrant ones
// queued, every observer told), and steps of the user's own work over it:
// what the recorder makes of scopes, holds, pauses and origins, how a step is
// put back and again field by field, how bursts merge, and the words used.
#include <gtest/gtest.h>
#include <map>
#include <vector>

#include "channels/ChannelLevels.h"
#include "undo/UndoRecorder.h"

namespace {

// An arrangement of plain values behind the one way of change, with the
// recorder listening as the window's does.
class Recorder : public ::testing::Test {
protected:
    void SetUp() override {
        seam.Read = [this](TField f, int n) {
            const auto it = values.find({f, n});
            if (it != values.end())
                return it->second;
            const TFieldValue empty[] = {
                std::string(), BASS_3DVECTOR{}, TPathRef(), 1.f, false, 0, 0};
            return empty[static_cast<int>(f)];
        };
        seam.Write = [this](const TChangeRequest& r) -> std::optional<std::string> {
            if (r.Field == TField::File && std::get<std::string>(r.Value) == "gone.wav")
                return "missing";
            values[{r.Field, r.Channel}] = r.Value;
            return std::nullopt;
        };
        seam.Observe([this](const TChange& c) { r.Note(c); });
        r.OnStep = [this](TUndoStep&& s) { steps.push_back(std::move(s)); };
        r.NowMs = [this] { return clock; };
    }
    void move(int n, float x, TOrigin by = TOrigin::Hand) { seam.Place(n, {x, 0, 0}, by); }
    float x(int n) { return std::get<BASS_3DVECTOR>(seam.Read(TField::Place, n)).x; }
    // A user's handler that moves channel n to x.
    void handler(int n, float x, bool mergeable = false) {
        const TUndoScope scope(r, mergeable);
        move(n, x, mergeable ? TOrigin::Key : TOrigin::Hand);
    }

    std::map<std::pair<TField, int>, TFieldValue> values;
    TArrangementSeam seam;
    TUndoRecorder r;
    std::vector<TUndoStep> steps;
    int64_t clock = 1000;
};

TEST_F(Recorder, TheSeamAppliesInOrderAndTellsEveryObserverBeforeTheNextChange) {
    std::vector<std::string> heard; // field, channel, origin, as each observer is told
    for (int observer = 0; observer < 2; ++observer)
        seam.Observe([&, observer](const TChange& c) {
            heard.push_back(std::to_string(static_cast<int>(c.Field)) + std::to_string(c.Channel) +
                            std::to_string(static_cast<int>(c.Origin)));
            // The first observer answers a move of channel 1 by moving
            // channel 2: that waits until everybody heard of the first.
            if (observer == 0 && c.Channel == 1)
                heard.push_back(seam.Place(2, {1, 1, 1}, TOrigin::PathPlayback).State ==
                                        TApplied::TState::Queued
                                    ? "queued"
                                    : "nested");
        });
    EXPECT_EQ(seam.Place(1, {0.5f, 0, 0}, TOrigin::Controller).State, TApplied::TState::Changed);
    const TApplied gone = seam.File(4, "gone.wav", TOrigin::Controller);
    EXPECT_EQ(gone.Reason, "missing");
    EXPECT_EQ(seam.Place(1, {0.5f, 0, 0}, TOrigin::Key).State, TApplied::TState::Unchanged);
    EXPECT_EQ(heard, (std::vector<std::string>{"114", "queued", "114", "125", "125"}))
        << "refused and unchanged requests tell nobody";
    EXPECT_FALSE(seam.Busy());
    // Values compare exactly; paths by what they hold.
    const TMotionPath p{TMotionMode::Loop, {{0, 0, 0, 0}, {1, 1, 0, 0}}};
    EXPECT_TRUE(
        SameValue(std::make_shared<const TMotionPath>(p), std::make_shared<const TMotionPath>(p)));
    EXPECT_FALSE(SameValue(std::make_shared<const TMotionPath>(p), TPathRef()));
    EXPECT_FALSE(SameValue(BASS_3DVECTOR{0.1f, 0, 0}, BASS_3DVECTOR{0.1f, 0, 1e-9f}));
}

TEST_F(Recorder, ADragIsOneStepOfItsOwnChannelsWhateverAControllerDoesMeanwhile) {
    r.SetHeld(true); // the press on a marker
    handler(3, 0.5f);
    move(7, 2.f, TOrigin::Controller); // a controller's stream between two events of the drag
    move(9, 1.f, TOrigin::PathPlayback);
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
    ASSERT_EQ(s.Fields.size(), 1u);
    EXPECT_EQ(s.Fields[0].Channel, 3);
    EXPECT_TRUE(SameValue(s.Fields[0].Before, BASS_3DVECTOR{}));
    EXPECT_TRUE(SameValue(s.Fields[0].After, BASS_3DVECTOR{1.5f, 0, 0}));
    // Undone over the scene as the others left it: channel 3 goes back,
    // 7, 8 and 9 stay where the controller and the path put them.
    EXPECT_TRUE(PutStep(seam, s, true).empty());
    EXPECT_EQ((std::vector<float>{x(3), x(7), x(8), x(9)}), (std::vector<float>{0, 2, -1, 1}));
}

// A step puts back (and again) only the fields it changed, and only those
// that still hold its value; a file that is gone is reported, not loaded.
TEST_F(Recorder, UndoAndRedoPutOnlyTheFieldsThatStillHoldTheStepsValue) {
    {
        const TUndoScope load(r);
        seam.File(3, "a.wav", TOrigin::Hand);
        seam.Path(3, std::make_shared<const TMotionPath>(), TOrigin::Hand);
        move(3, 1.f);
        seam.File(5, "b.wav", TOrigin::Hand);
        seam.ReverbLevel(4, TOrigin::Bar);
        seam.Gain(3, 0.5f, TOrigin::Hand); // live input, never a step's
    }
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].Fields.size(), 5u);
    // Since then: a controller loads another file into 3, a path moves 5,
    // and the reverb is set back by the user to where the step found it.
    seam.File(3, "c.wav", TOrigin::Controller);
    move(5, 2.f, TOrigin::PathPlayback);
    seam.ReverbLevel(0, TOrigin::Bar);
    EXPECT_TRUE(PutStep(seam, steps[0], true).empty());
    EXPECT_EQ(std::get<std::string>(seam.Read(TField::File, 3)), "c.wav") << "the controller's";
    EXPECT_EQ(std::get<TPathRef>(seam.Read(TField::Path, 3)), nullptr);
    EXPECT_EQ(x(3), 0.f);
    EXPECT_EQ(x(5), 2.f) << "not the step's field";
    EXPECT_EQ(std::get<std::string>(seam.Read(TField::File, 5)), "");
    EXPECT_EQ(std::get<float>(seam.Read(TField::Gain, 3)), 0.5f);

    // Again: the file of 3 still is the controller's, the rest comes back;
    // a file gone meanwhile is named and its slot left as it is.
    seam.File(3, "c.wav", TOrigin::Controller);
    TUndoStep gone = steps[0];
    gone.Fields[3].After = std::string("gone.wav");
    const std::vector<std::string> missing = PutStep(seam, gone, false);
    EXPECT_EQ(missing, std::vector<std::string>{"gone.wav"});
    EXPECT_EQ(std::get<std::string>(seam.Read(TField::File, 3)), "c.wav");
    EXPECT_NE(std::get<TPathRef>(seam.Read(TField::Path, 3)), nullptr);
    EXPECT_EQ(x(3), 1.f);
    EXPECT_EQ(std::get<int>(seam.Read(TField::ReverbLevel, 0)), 4);
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
        values.clear();
        handler(2, 0.05f, true);
        clock += c.gap;
        handler(c.secondChannel, 0.1f, c.secondMergeable);
        ASSERT_EQ(steps.size(), 2u);
        TUndoStep merged = steps[0];
        EXPECT_EQ(MergeSteps(merged, steps[1], 500), c.merges);
        if (c.merges) {
            EXPECT_TRUE(SameValue(merged.Fields[0].Before, BASS_3DVECTOR{}));
            EXPECT_TRUE(SameValue(merged.Fields[0].After, BASS_3DVECTOR{0.1f, 0, 0}));
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
