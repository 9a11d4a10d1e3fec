#include "files/AtomicFile.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinkHops = 40; // as the kernel's own limit
constexpr size_t MaxNameBytes = 255;
constexpr size_t RandomChars = 6;
const char* const Tags[] = {"save", "export", "render", "scene"};
// What follows the random part of a scene playlist's name: the program takes
// a file for a playlist by its extension.
constexpr std::string_view SceneExtension = ".pna";

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string OpenableFolder(const std::string& folder) {
    return folder.empty() ? std::string(".") : folder;
}

} // namespace

int DescriptorOfName(const std::string& path) {
    if (path == "-" || path == "/dev/stdout")
        return STDOUT_FILENO;
    if (path == "/dev/stderr")
        return STDERR_FILENO;
    for (const std::string_view prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(prefix) || path.size() == prefix.size() ||
            path.size() > prefix.size() + 6)
            continue;
        int fd = 0;
        for (size_t i = prefix.size(); i < path.size(); ++i) {
            if (path[i] < '0' || path[i] > '9')
                return -1;
            fd = fd * 10 + (path[i] - '0');
        }
        return fd;
    }
    return -1;
}

bool IsStandardOutput(const std::string& path) {
    if (DescriptorOfName(path) == STDOUT_FILENO)
        return true;
    struct stat out {
    }, named{};
    return !path.empty() && ::fstat(STDOUT_FILENO, &out) == 0 &&
           ::stat(path.c_str(), &named) == 0 && out.st_dev == named.st_dev &&
           out.st_ino == named.st_ino;
}

namespace {

// Where a write to path lands: the end of its link chain, a descriptor of
// ours, or an error.
struct TResolved {
    std::string Path;
    int Descriptor = -1;
    int Error = 0;
    bool Exists = false;
    struct stat Stat {};
};

TResolved Resolve(const std::string& path) {
    TResolved r;
    r.Path = path;
    for (int hop = 0; hop <= MaxLinkHops; ++hop) {
        if ((r.Descriptor = DescriptorOfName(r.Path)) >= 0)
            return r;
        if (::lstat(r.Path.c_str(), &r.Stat) != 0) {
            if (errno != ENOENT)
                r.Error = errno;
            return r; // a dangling link: the file is made where it points
        }
        if (!S_ISLNK(r.Stat.st_mode)) {
            r.Exists = true;
            return r;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(r.Path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) {
            r.Error = n < 0 ? errno : ENAMETOOLONG;
            return r;
        }
        target.resize(static_cast<size_t>(n));
        r.Path = target.starts_with('/') ? target : FolderOf(r.Path) + target;
    }
    r.Error = ELOOP;
    return r;
}

// A name part no other writer picks at the same moment.
std::string RandomPart() {
    static std::atomic<unsigned long long> counter{0};
    unsigned long long x = counter.fetch_add(1) * 0x9E3779B97F4A7C15ull ^
                           static_cast<unsigned long long>(
                               std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           (static_cast<unsigned long long>(::getpid()) << 32);
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string out;
    for (size_t i = 0; i < RandomChars; ++i) {
        x ^= x >> 31;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        out += alphabet[x % (sizeof alphabet - 1)];
    }
    return out;
}

// ".NAME.TAG-PID-XXXXXX" (then extension) beside target, NAME shortened (on
// a character's boundary) where the whole would be too long for the folder.
std::string TemporaryName(const std::string& target, const char* tag, std::string_view extension) {
    const std::string folder = FolderOf(target);
    std::string base = target.substr(folder.size());
    const std::string tail = std::string(".") + tag + "-" + std::to_string(::getpid()) + "-" +
                             RandomPart() + std::string(extension);
    const size_t room = MaxNameBytes - 1 - tail.size();
    if (base.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80)
            --cut;
        base.resize(cut);
    }
    return folder + "." + base + tail;
}

// Creates a file of ours beside target; its name in name. The mode is the
// usual one for a new file (the umask applies through open itself).
int CreateTemporary(const std::string& target, const char* tag, mode_t mode, std::string& name,
                    std::string_view extension = {}) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = TemporaryName(target, tag, extension);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
        if (fd >= 0) {
            // Held while the writer lives: the sign that the file is in use.
            ::flock(fd, LOCK_EX | LOCK_NB);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Renames temp to target unless something is at target already.
int RenameNoReplace(const std::string& temp, const std::string& target) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    // A hard link fails with EEXIST just the same where renameat2 is missing.
    if (::link(temp.c_str(), target.c_str()) == 0) {
        ::unlink(temp.c_str());
        return 0;
    }
    if (errno == EEXIST)
        return EEXIST;
    // No hard links here either (FAT and the like): check, then rename.
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
}

bool IsAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

TAtomicFile::TAtomicFile(const std::string& path, const TOptions& options)
    : replaceExisting_(options.ReplaceExisting) {
    if (path.empty()) {
        fail(ENOENT);
        return;
    }
    const TResolved r = Resolve(path);
    if (r.Error) {
        fail(r.Error);
        return;
    }
    target_ = r.Path;
    folder_ = FolderOf(target_);
    if (r.Descriptor >= 0) {
        openStream(path, r.Descriptor, options);
        return;
    }
    if (r.Exists) {
        struct stat st {}; // what the chain ends in, links followed
        if (::stat(target_.c_str(), &st) != 0) {
            fail(errno);
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            fail(EISDIR);
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            openStream(target_, -1, options);
            return;
        }
        if (!options.ReplaceExisting) {
            fail(EEXIST);
            return;
        }
        replaces_ = true;
    }
    RemoveLeftoverTemporaryFiles(folder_);
    fd_ = CreateTemporary(target_, options.Tag, 0666, temp_);
    if (fd_ < 0)
        fail(errno);
}

void TAtomicFile::openStream(const std::string& path, int fd, const TOptions& options) {
    streamed_ = true;
    if (fd >= 0) {
        fd_ = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        if (fd_ < 0)
            fail(errno);
        return;
    }
    // Without a reader a FIFO would hold a blocking open up, and a signal
    // caught with SA_RESTART would not end it: the open is tried again until
    // a reader comes, when asked to wait, or until the wait is cancelled.
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    while ((fd_ = ::open(path.c_str(), flags)) < 0 && errno == ENXIO && options.WaitForReader) {
        if (options.Cancel && options.Cancel->load()) {
            fail(ECANCELED);
            return;
        }
        ::poll(nullptr, 0, 20); // returns at once on a signal
    }
    if (fd_ < 0) {
        fail(errno);
        return;
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
}

void TAtomicFile::fail(int error) {
    error_ = error ? error : EIO;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temp_.empty())
        ::unlink(temp_.c_str());
    temp_.clear();
}

TAtomicFile::~TAtomicFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!temp_.empty() && !committed_)
        ::unlink(temp_.c_str());
}

bool TAtomicFile::commit() {
    if (fd_ < 0)
        return false;
    if (streamed_) {
        struct stat st {};
        // Standard output may be a file; a pipe or a terminal has nothing to sync.
        if (::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode) && ::fsync(fd_) != 0) {
            fail(errno);
            return false;
        }
        committed_ = true;
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            error_ = errno;
            return false;
        }
        return true;
    }
    // The replaced file's owner and mode, as it is now (the owner first: a
    // change of owner clears the set-id bits).
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        if (::fchown(fd_, old.st_uid, old.st_gid) != 0 &&
            ::fchown(fd_, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not ours to give away: the new file belongs to this writer.
        }
        if (::fchmod(fd_, old.st_mode & 07777) != 0) {
            fail(errno);
            return false;
        }
    }
    if (::fsync(fd_) != 0) {
        fail(errno);
        return false;
    }
    const int moved = replaceExisting_ ? (::rename(temp_.c_str(), target_.c_str()) == 0 ? 0 : errno)
                                       : RenameNoReplace(temp_, target_);
    if (moved != 0) {
        fail(moved);
        return false;
    }
    committed_ = true;
    // The rename itself lasts across a crash only with the folder synced; the
    // new file is in place either way.
    const int dir = ::open(OpenableFolder(folder_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    // Closing releases the lock; the file has its final name by now.
    const int fd = fd_;
    fd_ = -1;
    ::close(fd);
    return true;
}

TScratchFile::TScratchFile(const TAtomicFile& writer) {
    std::string folder = writer.folder();
    if (writer.streamed()) {
        const char* tmp = std::getenv("TMPDIR");
        folder = tmp && *tmp ? std::string(tmp) + "/" : std::string("/tmp/");
    }
#ifdef O_TMPFILE
    fd_ = ::open(OpenableFolder(folder).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0)
        return;
#endif
    // Named for a moment only; a crash in between leaves a file that the
    // next write into the folder removes.
    std::string name;
    fd_ = CreateTemporary(folder + "scratch", "render", 0600, name);
    if (fd_ < 0)
        error_ = errno;
    else
        ::unlink(name.c_str());
}

TScratchFile::~TScratchFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

namespace {

// 0, or the errno value of the failure.
int WriteAndCommit(TAtomicFile& file, std::string_view bytes, const TWriteFunction& write) {
    if (!file.ok())
        return file.error();
    while (!bytes.empty()) {
        const ssize_t n = write ? write(file.fd(), bytes.data(), bytes.size())
                                : ::write(file.fd(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return file.commit() ? 0 : file.error();
}

} // namespace

bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        const TWriteFunction& write) {
    int error = 0;
    {
        TAtomicFile file(path, {});
        error = WriteAndCommit(file, bytes, write);
    } // the temporary file of a failure is gone
    errno = error;
    return error == 0;
}

namespace {

// The digits of a process id, or 0.
pid_t ParsePid(std::string_view digits) {
    if (digits.empty() || digits.size() > 10)
        return 0;
    long long pid = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        pid = pid * 10 + (c - '0');
    }
    return pid > 0 && pid <= 0x7fffffff ? static_cast<pid_t>(pid) : 0;
}

// ".pnap-PID-N.tmp", the playlist writer's name in earlier versions.
pid_t EarlierOwner(std::string_view name) {
    const std::string_view prefix = ".pnap-", suffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(suffix))
        return 0;
    name.remove_prefix(prefix.size());
    name.remove_suffix(suffix.size());
    const size_t dash = name.find('-');
    if (dash == std::string_view::npos || ParsePid(name.substr(dash + 1)) == 0)
        return 0;
    return ParsePid(name.substr(0, dash));
}

} // namespace

pid_t TemporaryFileOwner(std::string_view name) {
    if (const pid_t earlier = EarlierOwner(name))
        return earlier;
    const bool scene = name.ends_with(SceneExtension);
    if (scene)
        name.remove_suffix(SceneExtension.size());
    // ".NAME.TAG-PID-XXXXXX"
    if (name.size() < RandomChars + 4 || !name.starts_with('.'))
        return 0;
    const std::string_view random = name.substr(name.size() - RandomChars);
    for (const char c : random)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            return 0;
    name.remove_suffix(RandomChars);
    if (!name.ends_with('-'))
        return 0;
    name.remove_suffix(1);
    const size_t dash = name.rfind('-');
    if (dash == std::string_view::npos)
        return 0;
    const pid_t pid = ParsePid(name.substr(dash + 1));
    name = name.substr(0, dash);
    for (const char* tag : Tags) {
        const std::string suffix = std::string(".") + tag;
        if (name.size() > suffix.size() + 1 && name.ends_with(suffix) &&
            scene == (suffix == ".scene"))
            return pid;
    }
    return 0;
}

int CreateScenePlaylist(const std::string& folder, const std::string& name, std::string& path) {
    return CreateTemporary(folder + name, "scene", 0600, path, SceneExtension);
}

void RemoveLeftoverTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(OpenableFolder(folder).c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TemporaryFileOwner(entry->d_name);
        if (owner <= 0 || owner == ::getpid() || IsAlive(owner))
            continue;
        // A writer on another machine (a shared folder) or in another pid
        // namespace holds the lock although its id means nothing here.
        const std::string path = folder + entry->d_name;
        const int fd =
            ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat held {
        }, named{};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &held) == 0 &&
            S_ISREG(held.st_mode) && ::lstat(path.c_str(), &named) == 0 &&
            named.st_ino == held.st_ino && named.st_dev == held.st_dev)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}
