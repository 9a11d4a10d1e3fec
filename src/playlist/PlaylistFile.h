// Reading playlist files safely: a playlist may come from anywhere (huge,
// binary, a folder, a FIFO or a device in its place).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

// Playlists are written by the program's one file writer.
#include "files/AtomicFile.h"

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
