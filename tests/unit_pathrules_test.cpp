// File names, folders and the playlist extension rule.
#include <gtest/gtest.h>

#include "playlist/PathRules.h"

namespace {

TEST(PathRules, NameAndFolder) {
    EXPECT_EQ(FileNameOfPath("/home/u/Sound/rain.wav"), "rain.wav");
    EXPECT_EQ(FolderOfPath("/home/u/Sound/rain.wav"), "/home/u/Sound/");
    EXPECT_EQ(FileNameOfPath("rain.wav"), "rain.wav");
    EXPECT_EQ(FolderOfPath("rain.wav"), "");
    EXPECT_EQ(FileNameOfPath("/music/"), "");
    EXPECT_EQ(FileNameOfPath("/音/雨.wav"), "雨.wav");
}

TEST(PathRules, ExtensionIsLowerCasedWithItsDot) {
    EXPECT_EQ(FileExtensionLower("/a/b/List.M3U"), ".m3u");
    EXPECT_EQ(FileExtensionLower("/a/b.c/readme"), "") << "a dot in a folder is no extension";
    EXPECT_EQ(FileExtensionLower("x.tar.PNA"), ".pna");
    EXPECT_EQ(FileExtensionLower("/a/.hidden"), ".hidden");
}

TEST(PathRules, PlaylistsByExtensionInAnyCase) {
    EXPECT_TRUE(IsPlaylistName("/a/set.pna"));
    EXPECT_TRUE(IsPlaylistName("/a/SET.PNA"));
    EXPECT_TRUE(IsPlaylistName("/a/set.M3u"));
    EXPECT_TRUE(IsPlaylistName("/a/set.m3u8")) << "UTF-8 M3U";
    EXPECT_TRUE(IsPlaylistName("/a/SET.M3U8"));
    EXPECT_FALSE(IsPlaylistName("/a/set.m3u9"));
    EXPECT_FALSE(IsPlaylistName("/a/set.wav"));
    EXPECT_FALSE(IsPlaylistName("/a.pna/set"));
}

} // namespace
