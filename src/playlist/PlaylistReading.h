// A playlist read and applied as the program takes one, for the window and
// the exporter alike: every line is read before anything changes, a position
// belongs to the next file that loads, a path or level line to the next file
// line only, and files take slots in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "playlist/PlaylistFile.h"
#include "playlist/PlaylistFormat.h"

struct TPlaylistRead {
    TReadResult Result = TReadResult::Ok;
    // The lines that can change something; file lines hold the file's full
    // path and only files that exist are kept.
    TPlaylistDigest Digest;
    bool NamesFile = false; // some file line, whether or not its file exists
    int Existing = 0;       // file lines whose file exists
    // The first file lines (up to 64) whose file is not there, in full.
    std::vector<std::string> Missing;
};

// Reads the playlist at path to its end, stopping where slots existing files
// have been named: the rest is never used. limit is the largest coordinate
// magnitude.
TPlaylistRead ReadPlaylist(const std::string& path, double limit, int slots);

struct TPlaylistApplied {
    bool ExistingSeen = false; // some file still existed when its turn came
    bool LoadedAny = false;
};

// Applies what was read, in order: effect lines to setting as they come;
// each file that still exists to the next slot (from 1) with the position and
// level given before it, through load, which says whether the file loaded.
// The position goes with the file that loads; a path or level goes with its
// own file line, and is dropped with a file that is gone or does not load; a
// file that exists but does not load still takes its slot; nothing follows
// the last slot.
TPlaylistApplied
ApplyPlaylist(const TPlaylistRead& read, int slots,
              const std::function<void(const TPlaylistLine&)>& setting,
              const std::function<bool(int slot, const TPlaylistChannel& channel)>& load);
