#include "playlist/PathRules.h"

namespace {

bool isSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == ':' || c == '/';
#else
    return c == '/';
#endif
}

bool isAbsolute(std::string_view path) {
#ifdef _WIN32
    return (path.size() >= 2 && path[1] == ':') || path.starts_with("\\\\");
#else
    return path.starts_with('/');
#endif
}

} // namespace

size_t NameStart(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i;
    return 0;
}

std::string FileNameOfPath(std::string_view path) {
    return std::string(path.substr(NameStart(path)));
}

std::string FolderOfPath(std::string_view path) {
    return std::string(path.substr(0, NameStart(path)));
}

std::string FileExtensionLower(std::string_view path) {
    const std::string_view name = path.substr(NameStart(path));
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string ext(name.substr(dot));
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool IsPlaylistName(std::string_view path) {
    const std::string ext = FileExtensionLower(path);
    return ext == ".m3u" || ext == ".m3u8" || ext == ".pna";
}

std::string PathInPlaylist(std::string_view playlistPath, std::string_view line) {
    if (isAbsolute(line))
        return std::string(line);
    return FolderOfPath(playlistPath) + std::string(line);
}
