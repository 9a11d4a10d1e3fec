#include "playlist/PlaylistFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/PathRules.h"
#include "playlist/PlaylistFormat.h"

namespace {

// A descriptor closed on every way out.
class TFd {
public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() { close(); }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

// Where the file behind a link is; path itself otherwise.
std::string ReplacedFile(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

bool WriteAll(int fd, std::string_view bytes, const TWriteFunction& write) {
    while (!bytes.empty()) {
        const ssize_t n =
            write ? write(fd, bytes.data(), bytes.size()) : ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

const char* const TempPrefix = ".pnap-";
const char* const TempSuffix = ".tmp";

// Opens path for reading without blocking on a FIFO; -1 with errno set, or
// with EINVAL for something that is not a regular file.
int OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

TReadResult OpenFailure() {
    return (errno == ENOENT || errno == ENOTDIR) ? TReadResult::Missing : TReadResult::Unreadable;
}

// A save ended by SIGKILL leaves its temporary file behind; the next save into
// the same folder removes those whose process is gone.
void RemoveStaleTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t owner = TemporaryFileOwner(entry->d_name);
        if (owner <= 0 || owner == ::getpid())
            continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH)
            continue; // running (or not ours to ask about): its file stays
        ::unlink((folder + entry->d_name).c_str());
    }
    ::closedir(dir);
}

} // namespace

pid_t TemporaryFileOwner(std::string_view name) {
    if (!name.starts_with(TempPrefix) || !name.ends_with(TempSuffix))
        return 0;
    name.remove_prefix(std::string_view(TempPrefix).size());
    name.remove_suffix(std::string_view(TempSuffix).size());
    const size_t dash = name.find('-');
    if (dash == 0 || dash == std::string_view::npos || dash + 1 == name.size())
        return 0;
    long long pid = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (i == dash)
            continue;
        if (c < '0' || c > '9')
            return 0;
        if (i < dash && (pid = pid * 10 + (c - '0')) > 0x7fffffff)
            return 0;
    }
    return static_cast<pid_t>(pid);
}

TReadResult ReadFileLines(const std::string& path,
                          const std::function<bool(std::string_view line)>& onLine) {
    TFd fd(OpenRegularFile(path));
    if (fd.get() < 0)
        return OpenFailure();
    TPlaylistLineSplitter splitter;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return TReadResult::Unreadable;
        if (n == 0)
            break;
        if (!splitter.Feed(std::string_view(buf, static_cast<size_t>(n)), onLine))
            return TReadResult::Ok;
    }
    splitter.Finish(onLine);
    return TReadResult::Ok;
}

TReadResult ReadFileHead(const std::string& path, std::string& text, size_t maxBytes) {
    text.clear();
    // Non-blocking, so that a FIFO cannot hold the program up while it opens.
    TFd fd(OpenRegularFile(path));
    if (fd.get() < 0)
        return OpenFailure();
    char buf[65536];
    while (text.size() < maxBytes) {
        const ssize_t n = ::read(fd.get(), buf, std::min(sizeof buf, maxBytes - text.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return text.clear(), TReadResult::Unreadable;
        if (n == 0)
            break;
        text.append(buf, static_cast<size_t>(n));
    }
    return TReadResult::Ok;
}

bool IsExistingFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        const TWriteFunction& write) {
    if (path.empty())
        return false;
    const std::string target = ReplacedFile(path);
    const std::string folder = FolderOfPath(target);
    RemoveStaleTemporaryFiles(folder);

    // A short name of our own beside the target, whatever the target's length.
    static unsigned counter = 0;
    std::string temp;
    int raw = -1;
    for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
        temp = folder + TempPrefix + std::to_string(::getpid()) + "-" + std::to_string(++counter) +
               TempSuffix;
        raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (raw < 0 && errno != EEXIST)
            return false;
    }
    if (raw < 0)
        return false;
    TFd fd(raw);
    // A replaced file keeps its permissions.
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd.get(), old.st_mode & 07777);

    const bool written = WriteAll(fd.get(), bytes, write) && ::fsync(fd.get()) == 0 && fd.close();
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself last across a crash; failure here loses nothing.
    TFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}
