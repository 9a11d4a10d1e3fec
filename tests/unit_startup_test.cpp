// What the start-up's messages name: the folder of an unplugged drive rather
// than each of its files, and why a file did not open.
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

#include "SoundFiles.h"
#include "audio/LoadErrors.h"
#include "audiolib.h"
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

TEST(StartupMessages, ReasonsSayWhatIsWrongWithTheFile) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::writeBytes(dir.file("private.wav"), {'x'}));
    std::filesystem::permissions(dir.file("private.wav"), std::filesystem::perms::none);
    const struct {
        int code;
        std::string path;
        QString reason;
    } table[] = {
        {BASS_ERROR_FILEOPEN, dir.file("gone.wav"), "ファイルがありません"},
        {BASS_ERROR_FILEOPEN, dir.file("gone/a.wav"), "ファイルがありません"},
        {BASS_ERROR_FILEOPEN, dir.path(), "フォルダーです"},
        {BASS_ERROR_FILEOPEN, dir.file("private.wav"),
         ::geteuid() == 0 ? "ファイルを読めません" : "読み取りの権限がありません"},
        {BASS_ERROR_FORMAT, dir.file("private.wav"),
         "音声ファイルではないか、対応していない形式です"},
        {BASS_ERROR_MEMORY, "/a.wav", "メモリーが足りません"},
        {BASS_ERROR_UNKNOWN, "/a.wav", "音声ライブラリーのエラー -1"},
    };
    for (const auto& row : table)
        EXPECT_EQ(LoadFailureReason(row.code, row.path), row.reason) << row.path;

    // A message shows the first eight files and counts the rest.
    TLoadFailures failures;
    for (int i = 1; i <= 10; ++i)
        failures.add(BASS_ERROR_FORMAT, "/" + std::to_string(i) + ".wav");
    const QStringList lines = failures.text().split("\n");
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], "/1.wav: 音声ファイルではないか、対応していない形式です");
    EXPECT_EQ(lines[8], "ほか 2 件");
    EXPECT_EQ(TLoadFailures().text(), "");
}

} // namespace
