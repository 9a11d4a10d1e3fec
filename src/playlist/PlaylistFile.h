// Reading and writing playlist files safely: a playlist may come from anywhere
// (huge, binary, a folder, a FIFO or a device in its place), and writing one
// must never leave a torn or empty file behind.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

// The most that ReadFileHead reads unless told otherwise.
constexpr size_t PlaylistReadLimit = 1 << 20;

enum class TReadResult { Ok, Missing, Unreadable };

// Reads at most maxBytes from the start of the regular file at path. Missing
// when nothing is there; Unreadable for anything else that cannot be read as
// a file (no permission, a folder, a FIFO, a device). Never blocks.
TReadResult ReadFileHead(const std::string& path, std::string& text,
                         size_t maxBytes = PlaylistReadLimit);

// Reads the regular file at path line by line to its end, however large, as
// long as onLine returns true (lines cut as TPlaylistLineSplitter cuts them).
// Missing and Unreadable as above; Unreadable too when reading fails midway.
TReadResult ReadFileLines(const std::string& path,
                          const std::function<bool(std::string_view line)>& onLine);

// Whether a regular file (after following links) is at path.
bool IsExistingFile(const std::string& path);

// Writes bytes to path, replacing the file at once: the bytes go to a new file
// in the same folder, reach the disk, and are renamed over the old one. The
// old file keeps its place until then and stays whole when anything fails (the
// file of a link is replaced, not the link). write stands in for ::write.
using TWriteFunction = std::function<ssize_t(int fd, const char* data, size_t size)>;
// Temporary files that a process ended by SIGKILL left in that folder are
// removed first (never those of a process that still runs).
bool WriteFileReplacing(const std::string& path, std::string_view bytes,
                        const TWriteFunction& write = {});

// The process that owns a temporary file of WriteFileReplacing, from the
// file's name; 0 for any other name.
pid_t TemporaryFileOwner(std::string_view name);
