// Reading playlists that may be anything, and replacing files without ever
// leaving a torn one.
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SoundFiles.h"
#include "playlist/PlaylistFile.h"

namespace {

namespace fs = std::filesystem;
using testsupport::TempDir;

std::string Contents(const std::string& path) {
    std::string text;
    EXPECT_EQ(ReadFileHead(path, text), TReadResult::Ok) << path;
    return text;
}

TEST(PlaylistFile, ReadsRegularFilesOnlyAndAtMostTheLimit) {
    TempDir dir;
    std::string text;
    EXPECT_EQ(ReadFileHead(dir.file("none.pna"), text), TReadResult::Missing);
    ASSERT_TRUE(testsupport::writeBytes(dir.file("plain"), {'a', '\n'}));
    EXPECT_EQ(ReadFileHead(dir.file("plain/x.pna"), text), TReadResult::Missing);
    EXPECT_EQ(ReadFileHead(dir.path(), text), TReadResult::Unreadable) << "a folder";
    EXPECT_EQ(ReadFileHead("/dev/zero", text), TReadResult::Unreadable) << "a device";
    ASSERT_EQ(::mkfifo(dir.file("fifo.pna").c_str(), 0600), 0);
    EXPECT_EQ(ReadFileHead(dir.file("fifo.pna"), text), TReadResult::Unreadable)
        << "returns at once instead of waiting for a writer";
    EXPECT_FALSE(IsExistingFile(dir.file("fifo.pna")));
    EXPECT_FALSE(IsExistingFile(dir.path()));
    EXPECT_TRUE(IsExistingFile(dir.file("plain")));

    const std::string big(PlaylistReadLimit + 4096, 'x');
    ASSERT_TRUE(WriteFileReplacing(dir.file("big.pna"), big));
    EXPECT_EQ(Contents(dir.file("big.pna")).size(), PlaylistReadLimit);
}

TEST(PlaylistFile, ReplacesWholeKeepingModeAndLinks) {
    TempDir dir;
    const std::string path = dir.file("list.pna");
    ASSERT_TRUE(WriteFileReplacing(path, "old\r\n"));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileReplacing(path, "new\r\n"));
    EXPECT_EQ(Contents(path), "new\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    fs::create_symlink(path, dir.file("link.pna"));
    ASSERT_TRUE(WriteFileReplacing(dir.file("link.pna"), "via link\r\n"));
    EXPECT_TRUE(fs::is_symlink(dir.file("link.pna")));
    EXPECT_EQ(Contents(path), "via link\r\n");
    EXPECT_EQ(testsupport::entries(dir.path()), (std::vector<std::string>{"link.pna", "list.pna"}))
        << "no temporary file is left";

    // A long non-ASCII path of 300 bytes.
    std::string folder = dir.path();
    for (int i = 0; i < 4 && folder.size() < 240; ++i)
        fs::create_directory(folder += "/音声フォルダ" + std::to_string(i));
    const std::string deep = folder + "/" + std::string(300 - folder.size() - 5, 'a') + ".pna";
    ASSERT_EQ(deep.size(), 300u);
    ASSERT_TRUE(WriteFileReplacing(deep, "deep"));
    EXPECT_EQ(Contents(deep), "deep");
}

TEST(PlaylistFile, AFailedOrKilledWriteLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.file("PNAPini.pna");
    const std::string old = "#PNAPEffect 5,3\r\n#PNAPParam 1,2,0\r\n/a.wav\r\n";
    ASSERT_TRUE(WriteFileReplacing(path, old));
    const std::string fresh(100000, 'n');

    // The disk fills up half-way.
    auto halfThenFull = [](int fd, const char* data, size_t size) -> ssize_t {
        static size_t total = 0;
        if (total >= 50000) {
            errno = ENOSPC;
            return -1;
        }
        const size_t n = std::min<size_t>(size, 4096);
        total += n;
        return ::write(fd, data, n);
    };
    EXPECT_FALSE(WriteFileReplacing(path, fresh, halfThenFull));
    EXPECT_EQ(Contents(path), old);
    EXPECT_EQ(testsupport::entries(dir.path()), std::vector<std::string>{"PNAPini.pna"});

    // The process is killed half-way.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteFileReplacing(path, fresh, [](int fd, const char* data, size_t size) -> ssize_t {
            static size_t total = 0;
            if (total >= 50000)
                ::raise(SIGKILL);
            const size_t n = std::min<size_t>(size, 4096);
            total += n;
            return ::write(fd, data, n);
        });
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(Contents(path), old);

    // Its temporary file is removed by the next save into that folder; one of
    // a process that still runs, and files that only look alike, stay.
    const std::string live = ".pnap-" + std::to_string(::getppid()) + "-1.tmp";
    for (const std::string& name : {live, std::string(".pnap-x-1.tmp"), std::string("a.tmp")})
        std::ofstream(dir.file(name)) << "other";
    ASSERT_EQ(testsupport::entries(dir.path()).size(), 5u) << "the killed save's file is there";
    ASSERT_TRUE(WriteFileReplacing(dir.file("other.pna"), "x"));
    EXPECT_EQ(
        testsupport::entries(dir.path()),
        (std::vector<std::string>{live, ".pnap-x-1.tmp", "PNAPini.pna", "a.tmp", "other.pna"}));

    // A folder that cannot be written to.
    EXPECT_FALSE(WriteFileReplacing(dir.file("PNAPini.pna/x.pna"), fresh));
    EXPECT_FALSE(WriteFileReplacing(dir.path(), fresh)) << "a folder is not replaced";
    EXPECT_TRUE(fs::is_directory(dir.path()));
}

TEST(PlaylistFile, TemporaryFileOwners) {
    EXPECT_EQ(TemporaryFileOwner(".pnap-1234-1.tmp"), 1234);
    EXPECT_EQ(TemporaryFileOwner(".pnap-7-123.tmp"), 7);
    EXPECT_EQ(TemporaryFileOwner(".pnap-2147483647-1.tmp"), 2147483647);
    for (const char* name :
         {".pnap--1.tmp", ".pnap-12-.tmp", ".pnap-12.tmp", ".pnap-1x-1.tmp", ".pnap-12-1.tmpx",
          "pnap-12-1.tmp", ".pnap-99999999999-1.tmp", ".pnap-12-3-4.tmp"})
        EXPECT_EQ(TemporaryFileOwner(name), 0) << name;
}

TEST(PlaylistFile, LinesAreReadToTheEndOfAnyFileOrNotAtAll) {
    TempDir dir;
    // 3 MB of comment lines, one 70 KB line, then the lines that matter.
    std::string text;
    while (text.size() < 3000000)
        text += "#EXTINF:1,a track of no interest to anybody\r\n";
    text += std::string(70000, 'x') + "\n/a.wav\r\n#PNAPEffect 1,2";
    ASSERT_TRUE(WriteFileReplacing(dir.file("big.m3u"), text));
    std::vector<std::string> lines;
    auto collect = [&](std::string_view line) {
        if (!line.starts_with("#EXTINF"))
            lines.emplace_back(line);
        return true;
    };
    EXPECT_EQ(ReadFileLines(dir.file("big.m3u"), collect), TReadResult::Ok);
    EXPECT_EQ(lines, (std::vector<std::string>{"/a.wav", "#PNAPEffect 1,2"}))
        << "the over-long line is skipped, the rest read";

    // Reading stops when told to.
    int seen = 0;
    EXPECT_EQ(ReadFileLines(dir.file("big.m3u"), [&](std::string_view) { return ++seen < 3; }),
              TReadResult::Ok);
    EXPECT_EQ(seen, 3);

    lines.clear();
    EXPECT_EQ(ReadFileLines(dir.file("none.pna"), collect), TReadResult::Missing);
    EXPECT_EQ(ReadFileLines(dir.path(), collect), TReadResult::Unreadable) << "a folder";
    ASSERT_EQ(::mkfifo(dir.file("fifo.pna").c_str(), 0600), 0);
    EXPECT_EQ(ReadFileLines(dir.file("fifo.pna"), collect), TReadResult::Unreadable);
    // A regular file whose reading fails.
    EXPECT_EQ(ReadFileLines("/proc/self/mem", collect), TReadResult::Unreadable);
    EXPECT_EQ(lines, std::vector<std::string>{}) << "no line from a file that cannot be read";
}

} // namespace
