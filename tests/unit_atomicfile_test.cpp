// The one file writer as the playlists use it: what happens to each kind of
// target (links, FIFOs, devices, folders that cannot be written), and the
// temporary files of writers that died.
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SoundFiles.h"
#include "files/AtomicFile.h"
#include "playlist/PlaylistFile.h"

namespace {

namespace fs = std::filesystem;
using testsupport::entries;
using testsupport::TempDir;
using Names = std::vector<std::string>;

std::string Contents(const std::string& path) {
    std::string text;
    EXPECT_EQ(ReadFileHead(path, text), TReadResult::Ok) << path;
    return text;
}

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

// Runs write in a child process as the user "nobody" when this is root (who
// may write anywhere); its errno value, or 0.
int AsUser(const std::function<int()>& write) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(255);
        ::_exit(write());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A process id that no process has any more.
pid_t DeadPid() {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

TEST(AtomicFile, EachKindOfTargetThroughThePlaylistWriter) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0755); // for the row written as another user
    const std::string old = "old\r\n", fresh = "new\r\n";
    const bool root = ::geteuid() == 0;
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(::pipe(pipeEnds), 0);
    int fifoReader = -1;
    const struct {
        const char* what;
        std::function<std::string()> prepare; // the path to write
        int error;                            // 0 when the write succeeds
        std::function<void()> check;
        bool asUser = false;
    } table[] = {
        {"a file of mode 640 owned by another user",
         [&] {
             EXPECT_TRUE(WriteFileReplacing(dir.file("list.pna"), old));
             ::chmod(dir.file("list.pna").c_str(), 0640);
             if (root) {
                 EXPECT_EQ(::chown(dir.file("list.pna").c_str(), 1234, 5678), 0);
             }
             return dir.file("list.pna");
         },
         0,
         [&] {
             EXPECT_EQ(Contents(dir.file("list.pna")), fresh);
             const struct stat st = Stat(dir.file("list.pna"));
             EXPECT_EQ(st.st_mode & 07777, 0640u);
             if (root) {
                 EXPECT_EQ(std::make_pair(st.st_uid, st.st_gid), std::make_pair(1234u, 5678u));
             }
         }},
        {"a chain of relative links into another folder",
         [&] {
             fs::create_directory(dir.file("sub"));
             EXPECT_TRUE(WriteFileReplacing(dir.file("sub/real.pna"), old));
             ::chmod(dir.file("sub/real.pna").c_str(), 0600);
             fs::create_symlink("sub/real.pna", dir.file("second.pna"));
             fs::create_symlink("second.pna", dir.file("first.pna"));
             return dir.file("first.pna");
         },
         0,
         [&] {
             EXPECT_EQ(fs::read_symlink(dir.file("first.pna")), "second.pna");
             EXPECT_EQ(fs::read_symlink(dir.file("second.pna")), "sub/real.pna");
             EXPECT_EQ(Contents(dir.file("sub/real.pna")), fresh);
             EXPECT_EQ(Stat(dir.file("sub/real.pna")).st_mode & 07777, 0600u);
             EXPECT_EQ(entries(dir.file("sub")), Names{"real.pna"});
         }},
        {"a dangling link",
         [&] {
             fs::create_symlink("made.pna", dir.file("dangling.pna"));
             return dir.file("dangling.pna");
         },
         0,
         [&] {
             EXPECT_TRUE(fs::is_symlink(dir.file("dangling.pna")));
             EXPECT_EQ(Contents(dir.file("made.pna")), fresh);
         }},
        {"a FIFO with a reader",
         [&] {
             EXPECT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
             fifoReader = ::open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
             return dir.file("fifo");
         },
         0,
         [&] {
             char buf[64] = {};
             EXPECT_EQ(::read(fifoReader, buf, sizeof buf), ssize_t(fresh.size()));
             EXPECT_EQ(buf, fresh);
             ::close(fifoReader);
             EXPECT_TRUE(S_ISFIFO(Stat(dir.file("fifo")).st_mode));
         }},
        {"a FIFO without a reader fails at once", [&] { return dir.file("fifo"); }, ENXIO,
         [&] { EXPECT_TRUE(S_ISFIFO(Stat(dir.file("fifo")).st_mode)); }},
        {"a pipe through /proc/self/fd",
         [&] { return "/proc/self/fd/" + std::to_string(pipeEnds[1]); }, 0,
         [&] {
             char buf[64] = {};
             EXPECT_EQ(::read(pipeEnds[0], buf, sizeof buf), ssize_t(fresh.size()));
             EXPECT_EQ(buf, fresh);
         }},
        {"a device", [] { return std::string("/dev/null"); }, 0,
         [] { EXPECT_TRUE(S_ISCHR(Stat("/dev/null").st_mode)); }},
        {"a folder", [&] { return dir.file("sub"); }, EISDIR,
         [&] { EXPECT_TRUE(fs::is_directory(dir.file("sub"))); }},
        {"a link that points at itself",
         [&] {
             fs::create_symlink("loop.pna", dir.file("loop.pna"));
             return dir.file("loop.pna");
         },
         ELOOP, [&] { EXPECT_TRUE(fs::is_symlink(dir.file("loop.pna"))); }},
        {"a name as long as the folder allows",
         [&] { return dir.file(std::string(251, 'n') + ".pna"); }, 0,
         [&] { EXPECT_EQ(Contents(dir.file(std::string(251, 'n') + ".pna")), fresh); }},
        {"a file in a folder this user may not write to",
         [&] {
             fs::create_directory(dir.file("locked"));
             EXPECT_TRUE(WriteFileReplacing(dir.file("locked/list.pna"), old));
             ::chmod(dir.file("locked/list.pna").c_str(), 0666);
             ::chmod(dir.file("locked").c_str(), 0555);
             return dir.file("locked/list.pna");
         },
         EACCES,
         [&] {
             EXPECT_EQ(Contents(dir.file("locked/list.pna")), old);
             EXPECT_EQ(entries(dir.file("locked")), Names{"list.pna"});
         },
         true},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.what);
        const std::string path = row.prepare();
        const auto write = [&] { return WriteFileReplacing(path, fresh) ? 0 : errno; };
        EXPECT_EQ(row.asUser ? AsUser(write) : write(), row.error);
        row.check();
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    for (const std::string& name : entries(dir.path()))
        EXPECT_NE(TemporaryFileOwner(name), ::getpid()) << name << " was left behind";

    // Without leave to replace, a file that is there stays, also one that
    // appears while the new one is written; a dangling link is no file.
    const std::string path = dir.file("list.pna");
    TAtomicFile refused(path, {.ReplaceExisting = false});
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), EEXIST);
    fs::create_symlink("later.pna", dir.file("pointer.pna"));
    TAtomicFile through(dir.file("pointer.pna"), {.ReplaceExisting = false});
    EXPECT_TRUE(through.ok() && through.commit() && fs::exists(dir.file("later.pna")));
    TAtomicFile raced(dir.file("raced.pna"), {.ReplaceExisting = false});
    ASSERT_TRUE(raced.ok());
    ASSERT_EQ(::write(raced.fd(), "late", 4), 4);
    ASSERT_TRUE(WriteFileReplacing(dir.file("raced.pna"), "first"));
    EXPECT_FALSE(raced.commit());
    EXPECT_EQ(raced.error(), EEXIST);
    EXPECT_EQ(Contents(dir.file("raced.pna")), "first");
}

TEST(AtomicFile, TheTemporaryFilesOfDeadWritersGoThoseOfLiveOnesStay) {
    TempDir dir;
    // A writer that runs on: another process in the middle of an export.
    int ready[2], finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    const pid_t writer = ::fork();
    if (writer == 0) {
        TAtomicFile file(dir.file("live.wav"), {.Tag = "export"});
        char c = file.ok() && ::write(file.fd(), "RIFF", 4) == 4 ? 'y' : 'n';
        [[maybe_unused]] ssize_t n = ::write(ready[1], &c, 1);
        n = ::read(finish[0], &c, 1); // until the end of the test
        ::_exit(0);
    }
    char answer = 0;
    ASSERT_EQ(::read(ready[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    const Names running = entries(dir.path());
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(TemporaryFileOwner(running[0]), writer);
    EXPECT_TRUE(running[0].starts_with(".live.wav.export-")) << running[0];

    // Left by processes that are gone: an export's file and its scratch file,
    // and a playlist save of an earlier version.
    const std::string dead = std::to_string(DeadPid());
    const Names leftovers = {".a.wav.export-" + dead + "-Ab3dE9",
                             ".a.wav.render-" + dead + "-xyzXYZ", ".pnap-" + dead + "-7.tmp",
                             ".x.scene-" + dead + "-Ab3dE9.pna"};
    // A writer elsewhere (another machine on a shared folder) whose id means
    // nothing here holds its file's lock; names that only look alike.
    const std::string elsewhere = ".b.flac.export-" + dead + "-q1w2e3";
    const Names alike = {".c.wav.export-x-abcdef", "d.wav.export-" + dead + "-abcdef",
                         ".e.wav.backup-" + dead + "-abcdef", ".f.wav.export-" + dead + "-abc",
                         ".g.export-" + dead + "-abcdef.pna"};
    for (const Names& group : {leftovers, alike, Names{elsewhere}})
        for (const std::string& name : group)
            ASSERT_TRUE(testsupport::writeBytes(dir.file(name), {'x'}));
    const int held = ::open(dir.file(elsewhere).c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_TRUE(WriteFileReplacing(dir.file("list.pna"), "x"));
    Names expected = alike;
    expected.insert(expected.end(), {elsewhere, running[0], "list.pna"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(dir.path()), expected);

    // The writer is killed, the other machine's writer gone: the next write
    // into the folder removes their files.
    ::kill(writer, SIGKILL);
    ASSERT_EQ(::waitpid(writer, nullptr, 0), writer);
    ::close(held);
    ASSERT_TRUE(WriteFileReplacing(dir.file("list.pna"), "y"));
    expected = alike;
    expected.push_back("list.pna");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entries(dir.path()), expected);
    for (int fd : {ready[0], ready[1], finish[0], finish[1]})
        ::close(fd);
}

} // namespace
