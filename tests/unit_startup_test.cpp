// What the start-up's message names: the folder of an unplugged drive rather
// than each of its files.
#include <gtest/gtest.h>
#include <set>

#include "playlist/AutoSave.h"

namespace {

TEST(StartupMessages, MissingPlacesNameTheOutermostMissingFolderOnce) {
    const std::set<std::string> there = {"/home", "/home/me", "/home/me/music", "/media"};
    const auto exists = [&](const std::string& p) { return there.count(p) > 0; };
    using Places = std::vector<TMissingPlace>;
    const struct {
        std::vector<std::string> files;
        Places places;
    } table[] = {
        {{"/media/usb/set/a.wav", "/media/usb/set/b.wav", "/media/usb/c.wav"},
         {{"/media/usb", true}}},
        {{"/home/me/music/gone.wav", "/home/me/music/also.wav"},
         {{"/home/me/music/gone.wav", false}, {"/home/me/music/also.wav", false}}},
        {{"/mnt/nas/a.wav", "/home/me/music/gone.wav", "/mnt/nas/b.wav"},
         {{"/mnt", true}, {"/home/me/music/gone.wav", false}}},
        {{}, {}},
    };
    for (const auto& row : table)
        EXPECT_EQ(MissingPlaces(row.files, exists), row.places) << row.files.size();
}

} // namespace
