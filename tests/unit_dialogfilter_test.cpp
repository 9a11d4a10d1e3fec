// Converting the layout's "text|pattern" filters to Qt's form.
#include <gtest/gtest.h>

#include "app/PNAP.h"
#include "widgets/DialogFilter.h"

namespace {

TEST(DialogFilter, ChannelFileFilterKeepsItsEntriesInOrderThenAddsFlacAndAiff) {
    const auto entries = ParseFilter(ChannelFileFilter);
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].Text, "All files(*.*)");
    EXPECT_EQ(entries[0].Patterns, std::vector<std::string>{"*"});
    EXPECT_EQ(entries[2].Text, "Mpeg Audio Files (*.mp3;*.mp2;*.mp1)");
    EXPECT_EQ(entries[2].Patterns, (std::vector<std::string>{"*.mp3", "*.mp2", "*.mp1"}));
    EXPECT_EQ(entries[5].Patterns.size(), 6u);
    EXPECT_EQ(QtFilterEntry(entries[1]), "Playlist(*.pna;*.m3u;*.m3u8) (*.pna *.m3u *.m3u8)");
    // The formats the library reads that the list lacked, after its entries.
    EXPECT_EQ(QtFilterEntry(entries[6]), "FLAC (*.flac) (*.flac)");
    EXPECT_EQ(QtFilterEntry(entries[7]), "AIFF (*.aiff;*.aifc) (*.aiff *.aifc)");
    EXPECT_EQ(QtFilterEntry(entries[0]), "All files(*.*) (*)");
}

TEST(DialogFilter, PlaylistFilter) {
    const auto entries = ParseFilter(PlaylistFilter);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].Text, "Phonara Playlist(*.pna)");
    EXPECT_EQ(QtFilterEntry(entries[2]), "M3U Playlist(*.m3u;*.m3u8) (*.m3u *.m3u8)");
}

TEST(DialogFilter, AppendedEntriesAndOddInput) {
    std::string f = PlaylistFilter;
    f += "|WavPack (*.wv)|*.wv";
    EXPECT_EQ(ParseFilter(f).size(), 4u);
    EXPECT_TRUE(ParseFilter("").empty());
    EXPECT_TRUE(ParseFilter("text without pattern").empty());
    const auto e = ParseFilter("Odd|*.a;;*.b;");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].Patterns, (std::vector<std::string>{"*.a", "*.b"}));
}

} // namespace
