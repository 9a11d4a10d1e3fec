// Dealing a list of files over the slots: every row of the load table, the
// bound on a list whose names keep failing, and a failing name's slot.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "channels/LoadDistribution.h"
#include "channels/Sources.h"

namespace {

// Slots 1..32 as a plain model: which are selected, what each holds.
struct Model {
    std::set<int> selected;
    std::vector<std::string> slot = std::vector<std::string>(33);
    std::vector<std::string> list;
    std::set<std::string> failing;
    int loadCalls = 0;

    bool run() {
        TLoadSlots t;
        t.isSelected = [this](int n) { return selected.count(n) > 0; };
        t.isLoaded = [this](int n) { return !slot[static_cast<size_t>(n)].empty(); };
        t.load = [this](int n, size_t j) {
            ++loadCalls;
            if (failing.count(list[j]))
                return false;
            slot[static_cast<size_t>(n)] = list[j];
            return true;
        };
        return DistributeFiles(list.size(), t);
    }
    std::vector<std::string> first(int count) const {
        return {slot.begin() + 1, slot.begin() + 1 + count};
    }
};

TEST(LoadDistribution, OneSelectedSlotOneFileReplacesIt) {
    Model m;
    m.selected = {4};
    m.slot[4] = "old";
    m.list = {"a"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.slot[4], "a");
    EXPECT_EQ(m.loadCalls, 1);
}

TEST(LoadDistribution, OneSelectedSlotSeveralFilesTheRestIntoEmptySlots) {
    Model m;
    m.selected = {2};
    m.slot[1] = "kept";
    m.list = {"a", "b", "c"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(5), (std::vector<std::string>{"kept", "a", "b", "c", ""}));
}

TEST(LoadDistribution, SeveralSelectedOneFileCopiesItIntoEach) {
    Model m;
    m.selected = {2, 5};
    m.slot[2] = "old";
    m.list = {"a"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(6), (std::vector<std::string>{"", "a", "", "", "a", ""}));
}

TEST(LoadDistribution, MoreSelectedThanFilesDealsThemInTurn) {
    Model m;
    m.selected = {1, 2, 3, 4};
    m.list = {"A", "B"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(5), (std::vector<std::string>{"A", "B", "A", "B", ""}));
}

TEST(LoadDistribution, FewerSelectedThanFilesTheRestIntoEmptySlots) {
    Model m;
    m.selected = {3, 6};
    m.slot[1] = "x";
    m.list = {"a", "b", "c", "d"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(7), (std::vector<std::string>{"x", "c", "a", "d", "", "b", ""}));
}

TEST(LoadDistribution, NothingSelectedFillsEmptySlotsInOrder) {
    Model m;
    m.slot[2] = "x";
    m.list = {"a", "b", "c"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(5), (std::vector<std::string>{"a", "x", "b", "c", ""}));
}

TEST(LoadDistribution, NamesLeftOverWhenTheSlotsAreFullAreIgnored) {
    Model m;
    for (int n = 1; n <= 31; ++n)
        m.slot[static_cast<size_t>(n)] = "full";
    m.list = {"a", "b", "c"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.slot[32], "a");
    EXPECT_EQ(m.loadCalls, 1);
}

TEST(LoadDistribution, AFailingNameLeavesItsSlotToTheNextName) {
    Model m;
    m.selected = {1};
    m.list = {"bad", "good", "c"};
    m.failing = {"bad"};
    EXPECT_TRUE(m.run());
    EXPECT_EQ(m.first(3), (std::vector<std::string>{"good", "c", ""}));
}

TEST(LoadDistribution, NothingLoadsNothingChangesAndTheResultSaysSo) {
    Model m;
    m.selected = {1, 2};
    m.list = {"bad1", "bad2"};
    m.failing = {"bad1", "bad2"};
    EXPECT_FALSE(m.run());
    EXPECT_EQ(m.loadCalls, 2) << "one pass over the list, then the selected slots are left";
    EXPECT_EQ(m.first(3), (std::vector<std::string>{"", "", ""}));
}

TEST(LoadDistribution, EveryNameFailingAfterOneLoadedEnds) {
    // Slot 1 takes the good file; from then on the list would go round for ever
    // on slot 2 with names that all fail.
    Model m;
    m.selected = {1, 2};
    m.list = {"good", "bad"};
    m.failing = {"bad"};
    m.run();
    EXPECT_EQ(m.slot[1], "good");
    EXPECT_EQ(m.slot[2], "good") << "the list starts again while a pass loads something";
    m = Model{};
    m.selected = {1, 2, 3};
    m.list = {"good", "bad"};
    m.failing = {"bad"};
    int guard = 0;
    TLoadSlots t;
    t.isSelected = [&](int n) { return m.selected.count(n) > 0; };
    t.isLoaded = [&](int n) { return !m.slot[static_cast<size_t>(n)].empty(); };
    t.load = [&](int n, size_t j) {
        if (++guard > 1000)
            throw std::runtime_error("does not end");
        if (m.failing.count(m.list[j]))
            return false;
        m.slot[static_cast<size_t>(n)] = m.list[j];
        return true;
    };
    EXPECT_TRUE(DistributeFiles(m.list.size(), t));
    EXPECT_EQ(m.first(3), (std::vector<std::string>{"good", "good", "good"}));

    // Only the first slot can ever load: once its pass is over, a whole pass
    // that loads nothing ends the dealing.
    guard = 0;
    m = Model{};
    m.selected = {1, 2};
    m.list = {"once", "bad"};
    m.failing = {"bad"};
    t.load = [&](int n, size_t j) {
        if (++guard > 1000)
            throw std::runtime_error("does not end");
        if (m.failing.count(m.list[j]) || (m.list[j] == "once" && n != 1))
            return false;
        m.slot[static_cast<size_t>(n)] = m.list[j];
        return true;
    };
    EXPECT_TRUE(DistributeFiles(m.list.size(), t));
    EXPECT_LT(guard, 10);
    EXPECT_EQ(m.first(2), (std::vector<std::string>{"once", ""}));
}

} // namespace
