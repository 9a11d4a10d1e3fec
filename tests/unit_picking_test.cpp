// Which marker a press hits and which markers a rubber band touches.
#include <gtest/gtest.h>

#include "spatial/Picking.h"

namespace {

TEST(Picking, BoxesBandsAndTheirEdges) {
    const TMarkerBox box{10, 20, 16, 14};
    // Presses count the right and bottom lines, hovering does not.
    EXPECT_TRUE(PressHits(box, 26, 34));
    EXPECT_FALSE(HoverHits(box, 26, 34));
    EXPECT_TRUE(HoverHits(box, 25, 33));
    EXPECT_TRUE(PressHits(box, 10, 20));
    EXPECT_FALSE(PressHits(box, 9, 20));
    EXPECT_FALSE(PressHits(box, 10, 35));

    const TBandRect band = NormalisedBand(40, 5, 25, 30);
    EXPECT_EQ(band.left, 25);
    EXPECT_EQ(band.top, 5);
    EXPECT_EQ(band.right, 40);
    EXPECT_EQ(band.bottom, 30);
    EXPECT_TRUE(BandTouches(box, band)) << "one column of overlap: x = 25";
    EXPECT_FALSE(BandTouches(box, NormalisedBand(26, 0, 60, 60))) << "starts past the box";
    EXPECT_FALSE(BandTouches(box, NormalisedBand(0, 25, 60, 25))) << "zero height";
    EXPECT_FALSE(BandTouches(box, NormalisedBand(18, 0, 18, 60))) << "zero width";
}

TEST(Picking, SelectedMarkersWinThenTheFrontMost) {
    // Channels 1..4 stacked on one spot; 3 is empty.
    const std::vector<int> order{2, 3, 4, 1};
    bool selected[5] = {false, false, false, false, false};
    auto loaded = [](int n) { return n != 3; };
    auto isSelected = [&selected](int n) { return selected[n]; };
    auto box = [](int) { return TMarkerBox{0, 0, 10, 10}; };

    TPick pick = PickMarker(order, 5, 5, loaded, isSelected, box);
    EXPECT_EQ(pick.channel, 2);
    EXPECT_FALSE(pick.wasSelected);

    selected[1] = true;
    pick = PickMarker(order, 5, 5, loaded, isSelected, box);
    EXPECT_EQ(pick.channel, 1) << "selected behind wins over unselected in front";
    EXPECT_TRUE(pick.wasSelected);

    selected[1] = false;
    selected[3] = true;
    EXPECT_EQ(PickMarker(order, 5, 5, loaded, isSelected, box).channel, 2)
        << "an empty slot is never hit, even selected";
    EXPECT_EQ(PickMarker(order, 11, 5, loaded, isSelected, box).channel, 0);
}

} // namespace
