// The channel table and the selection rule.
#include <gtest/gtest.h>
#include <stdexcept>

#include "channels/Sources.h"

namespace {

class ChannelTable : public ::testing::Test {
protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

TEST_F(ChannelTable, StartsEmptyAndIndexesOneToThirtyTwo) {
    for (int n = 1; n <= ChannelCount; ++n) {
        EXPECT_FALSE(Sources[n].Loaded);
        EXPECT_FALSE(Sources[n].Selected);
        EXPECT_TRUE(Sources[n].FileName.empty());
        EXPECT_EQ(Sources[n].Position.x, 0.f);
    }
    Sources[32].FileName = "last";
    Sources[1].FileName = "first";
    EXPECT_EQ(Sources[32].FileName, "last");
    EXPECT_EQ(Sources[1].FileName, "first");
}

TEST_F(ChannelTable, OutOfRangeChannelNumbersThrow) {
    EXPECT_THROW(Sources[0], std::out_of_range);
    EXPECT_THROW(Sources[33], std::out_of_range);
    EXPECT_THROW(Sources[-1], std::out_of_range);
    EXPECT_THROW(BandHits[0], std::out_of_range);
    EXPECT_THROW(ChannelSelectedNow(33, 1), std::out_of_range);
}

TEST_F(ChannelTable, PositionIsLaidOutAsTheLibraryVector) {
    TSource s;
    s.Position = {1.25f, 0.f, -0.5f};
    const auto* v = reinterpret_cast<const float*>(&s.Position);
    EXPECT_EQ(v[0], 1.25f);
    EXPECT_EQ(v[1], 0.f);
    EXPECT_EQ(v[2], -0.5f);
}

TEST_F(ChannelTable, SelectionIsThePersistentFlagWithoutGestures) {
    Sources[3].Selected = true;
    EXPECT_TRUE(ChannelSelectedNow(3, 1));
    EXPECT_FALSE(ChannelSelectedNow(4, 1));
}

TEST_F(ChannelTable, GridRangeInvertsChannelsBetweenAnchorAndCurrentRow) {
    Sources[5].Selected = true;
    Sources[9].Selected = true;
    GridRangeSelecting = true;
    GridAnchorRow = 7;
    // Current row above the anchor: the range is 4..7 whichever way it was dragged.
    for (int n = 1; n <= ChannelCount; ++n) {
        const bool inRange = n >= 4 && n <= 7;
        EXPECT_EQ(ChannelSelectedNow(n, 4), inRange != Sources[n].Selected) << n;
    }
    EXPECT_FALSE(ChannelSelectedNow(5, 4)); // selected, inside: shown inverted
    EXPECT_TRUE(ChannelSelectedNow(9, 4));  // selected, outside: kept
}

TEST_F(ChannelTable, GridRangeComesBeforeTheBand) {
    GridRangeSelecting = true;
    GridAnchorRow = 1;
    BandSelecting = true;
    BandHits[10] = true;
    EXPECT_FALSE(ChannelSelectedNow(10, 2)) << "band hits are not consulted during a grid range";
    GridRangeSelecting = false;
    EXPECT_TRUE(ChannelSelectedNow(10, 2));
}

TEST_F(ChannelTable, BandAddsItsHitsToTheFlags) {
    Sources[2].Selected = true;
    BandSelecting = true;
    BandHits[6] = true;
    EXPECT_TRUE(ChannelSelectedNow(2, 1));
    EXPECT_TRUE(ChannelSelectedNow(6, 1));
    EXPECT_FALSE(ChannelSelectedNow(7, 1));
    BandSelecting = false;
    EXPECT_FALSE(ChannelSelectedNow(6, 1)) << "hits count only while the band is in progress";
}

} // namespace
