// The selection rules behind the channel grid's mouse and keys.
#include <gtest/gtest.h>
#include <vector>

#include "SelectedChannels.h"
#include "channellist/GridSelection.h"
#include "channels/Sources.h"

namespace {

using Channels = std::vector<int>;

class GridSelectionRules : public ::testing::Test {
protected:
    void SetUp() override { ResetChannelTable(); }
    void TearDown() override { ResetChannelTable(); }
    static void select(const Channels& channels) {
        for (int n = 1; n <= ChannelCount; ++n)
            Sources[n].Selected = false;
        for (int n : channels)
            Sources[n].Selected = true;
    }
    static Channels selected() { return SelectedChannels(); }
};

TEST_F(GridSelectionRules, RangesSetOrToggleInEitherDirection) {
    select({3, 5});
    CommitGridRange(6, 4, false);
    EXPECT_EQ(selected(), (Channels{3, 4, 5, 6}));
    CommitGridRange(2, 5, true);
    EXPECT_EQ(selected(), (Channels{2, 6}));
    // No press yet: the anchor 0 counts as row 1.
    CommitGridRange(0, 2, true);
    EXPECT_EQ(selected(), (Channels{1, 6}));
}

TEST_F(GridSelectionRules, ArrowKeys) {
    struct Step {
        bool down, ctrl, shift;
        int row;
        bool opposite;
        int target;
        Channels after;
    };
    select({5});
    const Step steps[] = {
        {true, false, true, 5, false, 6, {5, 6}},
        {true, false, true, 6, false, 7, {5, 6, 7}},
        {false, false, true, 7, true, 6, {5}},   // back: the row left goes too
        {false, true, true, 6, false, 5, {5}},   // Ctrl: the selection stays
        {true, true, false, 32, false, 32, {5}}, // clamped at the last row
        {true, false, true, 32, false, 32, {5, 32}},
        {true, false, true, 32, true, 32, {5, 32}}, // toggled twice
        {false, false, false, 1, false, 1, {1}},    // plain: that one alone
        {false, false, false, 0, false, 1, {1}},    // a row past the end counts as row 1
        {true, false, false, 3, false, 4, {4}},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(ArrowKeySelection(s.down, s.ctrl, s.shift, s.row, s.opposite), s.target) << s.row;
        EXPECT_EQ(selected(), s.after) << s.row;
    }
}

} // namespace
