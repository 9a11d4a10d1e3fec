// The arrangement's one way of change: requests applied in the order they
// come, re-entrant ones queued rather than nested, and every observer told
// field, channel, before, after and origin.
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

#include "arrangement/ArrangementSeam.h"

namespace {

struct Scene {
    std::map<std::pair<TField, int>, TFieldValue> values;
    TArrangementSeam seam;
    std::vector<std::string> heard; // "observer:field:channel:origin", in order

    Scene() {
        seam.Read = [this](TField f, int n) {
            const auto it = values.find({f, n});
            return it != values.end() ? it->second : TFieldValue(0);
        };
        seam.Write = [this](const TChangeRequest& r) -> std::optional<std::string> {
            if (r.Field == TField::File && std::get<std::string>(r.Value) == "broken.wav")
                return "the file is damaged";
            values[{r.Field, r.Channel}] = r.Value;
            // A file takes its path with it: asked from inside the write.
            if (r.Field == TField::File) {
                EXPECT_EQ(seam.Path(r.Channel, nullptr, r.Origin).State, TApplied::TState::Queued);
            }
            return std::nullopt;
        };
    }
    void listen(const std::string& name) {
        seam.Observe([this, name](const TChange& c) {
            heard.push_back(name + ":" + std::to_string(static_cast<int>(c.Field)) + ":" +
                            std::to_string(c.Channel) + ":" +
                            std::to_string(static_cast<int>(c.Origin)));
        });
    }
};

TEST(ArrangementSeam, AppliesInOrderAndTellsEveryObserverBeforeTheNextChange) {
    Scene s;
    s.values[{TField::Path, 3}] = TPathRef(std::make_shared<TMotionPath>());
    s.listen("a");
    // An observer that answers a controller's move of channel 1 by moving
    // channel 2: its request waits until everybody heard of the first.
    std::vector<TChange> changes;
    s.seam.Observe([&](const TChange& c) {
        changes.push_back(c);
        if (c.Field == TField::Place && c.Channel == 1) {
            EXPECT_EQ(s.seam.Place(2, {1, 1, 1}, TOrigin::PathPlayback).State,
                      TApplied::TState::Queued);
        }
    });
    s.listen("b");

    EXPECT_EQ(s.seam.Place(1, {0.5f, 0, 0}, TOrigin::Controller).State, TApplied::TState::Changed);
    EXPECT_EQ(s.seam.File(3, "a.wav", TOrigin::Hand).State, TApplied::TState::Changed);
    // Refused and unchanged requests tell nobody.
    const TApplied broken = s.seam.File(4, "broken.wav", TOrigin::Controller);
    EXPECT_TRUE(broken.Refused());
    EXPECT_EQ(broken.Reason, "the file is damaged");
    EXPECT_EQ(s.seam.Place(1, {0.5f, 0, 0}, TOrigin::Key).State, TApplied::TState::Unchanged);

    const std::vector<std::string> expected = {
        "a:1:1:4", "b:1:1:4", // channel 1's move, heard by all
        "a:1:2:5", "b:1:2:5", // then the observer's move of channel 2
        "a:0:3:0", "b:0:3:0", // the file, then the path it took with it
        "a:2:3:0", "b:2:3:0",
    };
    EXPECT_EQ(s.heard, expected);
    ASSERT_EQ(changes.size(), 4u);
    EXPECT_TRUE(SameValue(changes[0].Before, TFieldValue(0)));
    EXPECT_TRUE(SameValue(changes[0].After, BASS_3DVECTOR{0.5f, 0, 0}));
    EXPECT_TRUE(SameValue(changes[3].After, TPathRef()));
    EXPECT_FALSE(s.seam.Busy());
    EXPECT_EQ(s.seam.Count(), 4u);
}

TEST(ArrangementSeam, ValuesCompareExactlyAndPathsByContent) {
    TMotionPath p{TMotionMode::Loop, {{0, 0, 0, 0}, {1, 1, 0, 0}}};
    const TPathRef a = std::make_shared<const TMotionPath>(p);
    const TPathRef b = std::make_shared<const TMotionPath>(p);
    p.Mode = TMotionMode::Once;
    EXPECT_TRUE(SameValue(a, b));
    EXPECT_FALSE(SameValue(a, std::make_shared<const TMotionPath>(p)));
    EXPECT_FALSE(SameValue(a, TPathRef()));
    EXPECT_FALSE(SameValue(BASS_3DVECTOR{0.1f, 0, 0}, BASS_3DVECTOR{0.1f, 0, -0.f + 1e-9f}));
    EXPECT_FALSE(SameValue(1, 1.f)) << "another field's value";
    EXPECT_TRUE(ByUser(TOrigin::Wheel));
    EXPECT_FALSE(ByUser(TOrigin::Undo));
    EXPECT_FALSE(ByUser(TOrigin::Controller));
}

} // namespace
