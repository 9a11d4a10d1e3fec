// The grid's colour and command rules, and the marker raise order.
#include <gtest/gtest.h>

#include "channellist/GridRules.h"
#include "spatial/Markers.h"

namespace {

TEST(GridRules, RowColoursInTheFourCases) {
    auto rc = ChannelRowColours(true, true);
    EXPECT_EQ(rc.background, TGridColour::Red);
    EXPECT_EQ(rc.text, TGridColour::HighlightText);
    rc = ChannelRowColours(true, false);
    EXPECT_EQ(rc.background, TGridColour::Highlight);
    EXPECT_EQ(rc.text, TGridColour::HighlightText);
    rc = ChannelRowColours(false, true);
    EXPECT_EQ(rc.background, TGridColour::Yellow);
    EXPECT_EQ(rc.text, TGridColour::GridText);
    rc = ChannelRowColours(false, false);
    EXPECT_EQ(rc.background, TGridColour::Grid);
    EXPECT_EQ(rc.text, TGridColour::GridText);
}

TEST(GridRules, MarkerColours) {
    EXPECT_EQ(MarkerColour(true, true, true), TGridColour::Red);
    EXPECT_EQ(MarkerColour(true, true, false), TGridColour::Highlight);
    EXPECT_EQ(MarkerColour(false, true, true), TGridColour::Yellow);
    EXPECT_EQ(MarkerColour(false, true, false), TGridColour::White);
    EXPECT_EQ(MarkerColour(true, false, false), TGridColour::White) << "an empty selected slot";
}

TEST(GridRules, CommandStates) {
    std::array<TSlotState, 32> slots{};
    auto s = CommandStates(slots);
    EXPECT_TRUE(s.fileCommands) << "empty slots to load into";
    EXPECT_FALSE(s.channelCommands);

    for (auto& slot : slots)
        slot.loaded = true;
    s = CommandStates(slots);
    EXPECT_FALSE(s.fileCommands) << "all loaded, none selected: nowhere to load";
    EXPECT_FALSE(s.channelCommands);

    slots[7].selected = true;
    s = CommandStates(slots);
    EXPECT_TRUE(s.fileCommands);
    EXPECT_TRUE(s.channelCommands);

    slots = {};
    slots[3].selected = true; // one empty slot selected
    s = CommandStates(slots);
    EXPECT_TRUE(s.fileCommands);
    EXPECT_FALSE(s.channelCommands);
}

TEST(GridRules, FileColumnFillsTheRestOrFitsTheWidestName) {
    std::array<int, 32> names{};
    EXPECT_EQ(FileColumnWidth(232, 23, 39, 35, 1, names), 232 - 97 - 3);
    names[5] = 300;
    names[9] = 200;
    EXPECT_EQ(FileColumnWidth(232, 23, 39, 35, 1, names), 300);
    names = {};
    EXPECT_EQ(FileColumnWidth(232, 23, 20, 35, 1, names), 232 - 78 - 3) << "a narrower column 1";
}

TEST(MarkerOrder, RaisingKeepsTheRelativeOrderOfTheRaised) {
    std::vector<int> order{5, 1, 9, 3, 7};
    const auto raised =
        RaiseSelectedInOrder(order, [](int n) { return n == 9 || n == 7 || n == 5; });
    EXPECT_EQ(order, (std::vector<int>{5, 9, 7, 1, 3}));
    EXPECT_EQ(raised, (std::vector<int>{7, 9, 5})) << "the front-most is raised last";

    std::vector<int> none{1, 2, 3};
    EXPECT_TRUE(RaiseSelectedInOrder(none, [](int) { return false; }).empty());
    EXPECT_EQ(none, (std::vector<int>{1, 2, 3}));
    std::vector<int> all{3, 2, 1};
    RaiseSelectedInOrder(all, [](int) { return true; });
    EXPECT_EQ(all, (std::vector<int>{3, 2, 1}));
}

} // namespace
