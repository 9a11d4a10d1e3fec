// Path and extension rules shared by loading, playlists and dropped files.
// Paths are UTF-8 as the system gives them; "/" separates folders (the
// Windows build also takes "\" and the drive colon).
#pragma once

#include <string>
#include <string_view>

// Where the name part of path starts: just after its last folder separator.
size_t NameStart(std::string_view path);

// The file name without its folder.
std::string FileNameOfPath(std::string_view path);

// The folder part, up to and including the last separator ("" when none).
std::string FolderOfPath(std::string_view path);

// The extension from the last "." of the name part, dot included, lower-cased
// in ASCII; "" when the name has no dot.
std::string FileExtensionLower(std::string_view path);

// ".m3u", ".m3u8" (UTF-8 M3U) and ".pna", in any letter case.
bool IsPlaylistName(std::string_view path);

// Where a playlist's file line points: an absolute line as it is, any other
// relative to the playlist's folder.
std::string PathInPlaylist(std::string_view playlistPath, std::string_view line);
