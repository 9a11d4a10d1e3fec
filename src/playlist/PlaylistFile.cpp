#include "playlist/PlaylistFile.h"

#include <cerrno>
#include <fcntl.h>
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

} // namespace

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
