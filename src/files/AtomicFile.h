// The one way the program writes a file (playlists, the auto-save, exports):
// the bytes go to a new file beside the target, reach the disk and are renamed
// over it, so that the old file stays whole until the new one is complete.
//
// - A link is written through: the file at the end of the link chain is
//   replaced, the links stay.
// - A replaced file keeps its mode and, where allowed, its owner; the folder
//   is synced after the rename. The umask is never touched.
// - A target that is no regular file (standard output as "-" or /dev/stdout,
//   a FIFO, a device, or a link to one) is written straight through: nothing
//   is replaced there.
// - The temporary files of writers that died (SIGKILL, a crash) are removed by
//   the next write into that folder; a temporary file stays locked while its
//   writer lives, and carries the writer's process id in its name.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

class TAtomicFile {
public:
    struct TOptions {
        // Names the temporary file: ".NAME.TAG-PID-XXXXXX".
        const char* Tag = "save";
        // A regular file already at the target is replaced; otherwise the
        // writer fails with EEXIST (also when one appears while it writes).
        bool ReplaceExisting = true;
        // A FIFO without a reader is waited for; otherwise the writer fails
        // with ENXIO at once.
        bool WaitForReader = false;
        // Ends that wait with ECANCELED once set (from a signal handler, say).
        const std::atomic<bool>* Cancel = nullptr;
    };

    // Opens the temporary file (or the stream); see ok() and error().
    TAtomicFile(const std::string& path, const TOptions& options);
    // Removes the temporary file unless committed.
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    // Where the bytes go; the writer keeps it open until commit or the end.
    int fd() const { return fd_; }
    // The errno value of the failure: EEXIST for a file that may not be
    // replaced, EISDIR for a folder, ELOOP for a link cycle, and whatever the
    // system said otherwise.
    int error() const { return error_; }
    // Written straight through: no temporary file, nothing replaced.
    bool streamed() const { return streamed_; }
    // A regular file is replaced at commit (it existed when opening).
    bool replaces() const { return replaces_; }
    // The file that receives the bytes in the end: the link chain followed.
    const std::string& target() const { return target_; }
    // The folder of the target ("" for the current one).
    const std::string& folder() const { return folder_; }

    // Syncs the file, gives it the replaced file's mode and owner, renames it
    // over the target and syncs the folder. A stream is only flushed. False
    // (with error()) when any step fails; the temporary file is gone then.
    bool commit();

private:
    void openStream(const std::string& path, int fd, const TOptions& options);
    void fail(int error);

    int fd_ = -1;
    int error_ = 0;
    bool streamed_ = false;
    bool replaces_ = false;
    bool replaceExisting_ = true;
    bool committed_ = false;
    std::string target_, folder_, temp_;
};

// A scratch file for this process alone, near the file that writer writes (in
// the system's temporary folder when it streams). It has no name on disk
// where the system allows it, and in any case none after the constructor.
class TScratchFile {
public:
    explicit TScratchFile(const TAtomicFile& writer);
    ~TScratchFile();
    TScratchFile(const TScratchFile&) = delete;
    TScratchFile& operator=(const TScratchFile&) = delete;
    int fd() const { return fd_; }
    int error() const { return error_; }

private:
    int fd_ = -1;
    int error_ = 0;
};

// The open descriptor a name stands for, or -1: "-" and /dev/stdout are
// standard output, /dev/stderr, /dev/fd/N and /proc/self/fd/N the others.
// Opening these names anew would reach the terminal or the pipe again, or
// (through /proc) a file that a rename must never replace.
int DescriptorOfName(const std::string& path);

// Whether a write to path reaches standard output: by its name ("-",
// /dev/stdout, /dev/fd/1), through links, or as the same file as descriptor 1
// (device and inode), so that messages keep out of what is written there.
bool IsStandardOutput(const std::string& path);

// Writes bytes through TAtomicFile with the playlists' options (replacing an
// existing file, never waiting for a FIFO's reader). False with errno set on
// failure. write stands in for ::write.
using TWriteFunction = std::function<ssize_t(int fd, const char* data, size_t size)>;
bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        const TWriteFunction& write = {});

// The process that made a temporary file of TAtomicFile, a scene playlist
// (or a file of the playlist writer of earlier versions, ".pnap-PID-N.tmp"),
// from the file's name; 0 for any other name.
pid_t TemporaryFileOwner(std::string_view name);

// A playlist for a child process to read (the scene of the window's export):
// a new file in folder (ending in "/") named ".NAME.scene-PID-XXXXXX.pna",
// locked while the returned descriptor is open, so that the sweep below
// removes it once this process has gone, however it ended. -1 with errno on
// failure; its name in path.
int CreateScenePlaylist(const std::string& folder, const std::string& name, std::string& path);

// Removes the temporary files in folder whose writer is gone: its process no
// longer runs here and nobody holds the file's lock.
void RemoveLeftoverTemporaryFiles(const std::string& folder);
