// The range rule behind the channel grid's mouse selection; the key rules are
// driven through the grid in gui_gridselection_test.cpp.
#include <gtest/gtest.h>
#include <vector>

#include "SelectedChannels.h"
#include "channellist/GridSelection.h"
#include "channels/Sources.h"

namespace {

using Channels = std::vector<int>;

class GridSelectionRules : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
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

} // namespace
