#include "playlist/PlaylistFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "spatial/Coordinates.h"

const char* const PlaylistEffectKey = "#PNAPEffect";
const char* const PlaylistPositionKey = "#PNAPParam";

namespace {

constexpr std::string_view LineEnd = "\r\n";

std::string IntText(int v) {
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The line's key, lower-cased in ASCII: the keys have no letter whose case
// depends on the language.
bool HasKey(std::string_view line, std::string_view lowerKey) {
    if (line.size() < 1 + lowerKey.size() || line[0] != '#')
        return false;
    for (size_t i = 0; i < lowerKey.size(); ++i) {
        char c = line[1 + i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerKey[i])
            return false;
    }
    return true;
}

// Spaces and control characters go from both ends of a field.
std::string_view Trimmed(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

template <typename T> std::optional<T> Convert(std::string_view s) {
    s = Trimmed(s);
    T v{};
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        return std::nullopt;
    return v;
}

// Cuts the settings of an effect or position line into fields. A character
// that is not a number character ends a field, and so does the line's last
// character, whose field runs to the end of the line with that character. A
// field that does not convert is skipped without taking an index; the scan
// ends when every field is filled.
template <typename T, size_t N, typename IsNumberChar>
std::array<std::optional<T>, N> ScanFields(std::string_view line, size_t start,
                                           IsNumberChar isNumberChar) {
    std::array<std::optional<T>, N> fields;
    size_t index = 0;
    size_t fieldStart = start;
    for (size_t p = start; p < line.size() && index < N; ++p) {
        const bool last = p + 1 == line.size();
        if (isNumberChar(line[p]) && !last)
            continue;
        const std::string_view text =
            line.substr(fieldStart, last ? std::string_view::npos : p - fieldStart);
        if (auto v = Convert<T>(text))
            fields[index++] = v;
        fieldStart = p + 1;
    }
    return fields;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

TPlaylistLine EffectLine(std::string_view line) {
    const auto f = ScanFields<int, 2>(line, 1 + std::string_view("pnapeffect").size(),
                                      [](char c) { return IsDigit(c) || c == ' '; });
    TPlaylistLine out;
    out.LineKind = TPlaylistLine::Kind::Effect;
    auto inRange = [](int v, int max) { return v >= 0 && v <= max ? v : 0; };
    if (f[0])
        out.ReverbLevel = inRange(*f[0], PlaylistMaxReverbLevel);
    if (f[1])
        out.Environment = inRange(*f[1], PlaylistMaxEnvironment);
    return out;
}

TPlaylistLine PositionLine(std::string_view line, double limit) {
    const auto f =
        ScanFields<double, 3>(line, 1 + std::string_view("pnapparam").size(), [](char c) {
            return IsDigit(c) || c == '.' || c == '-' || c == ' ';
        });
    TPlaylistLine out;
    out.LineKind = TPlaylistLine::Kind::Position;
    std::optional<float>* targets[] = {&out.X, &out.Y, &out.Z};
    for (size_t i = 0; i < 3; ++i)
        if (f[i])
            *targets[i] = static_cast<float>(std::clamp(*f[i], -limit, limit));
    return out;
}

} // namespace

std::string FormatPlaylistNumber(double v) {
    return FormatFixed15(v);
}

std::string FormatPlaylist(int reverbLevel, int environment,
                           const std::vector<TPlaylistChannel>& channels) {
    std::string text = std::string(PlaylistEffectKey) + " " + IntText(reverbLevel) + "," +
                       IntText(environment) + std::string(LineEnd);
    for (const TPlaylistChannel& c : channels) {
        // A name with a line break or NUL would read back as other lines.
        if (c.FileName.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            continue;
        text += std::string(PlaylistPositionKey) + " " + FormatPlaylistNumber(c.X) + "," +
                FormatPlaylistNumber(c.Y) + "," + FormatPlaylistNumber(c.Z) + std::string(LineEnd);
        text += c.FileName + std::string(LineEnd);
    }
    return text;
}

void ParsePlaylist(std::string_view text, double limit,
                   const std::function<bool(const TPlaylistLine&)>& onLine) {
    text = text.substr(0, text.find('\0'));
    // The signature some editors put before UTF-8 text is no part of the
    // first line, which would otherwise name a file that is not there.
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + (text.compare(end, 2, LineEnd) == 0 ? 2 : 1);
        if (line.empty())
            continue;
        bool more = true;
        if (HasKey(line, "pnapeffect")) {
            more = onLine(EffectLine(line));
        } else if (HasKey(line, "pnapparam")) {
            more = onLine(PositionLine(line, limit));
        } else if (line[0] != '#') {
            TPlaylistLine file;
            file.Path = std::string(line);
            more = onLine(file);
        }
        if (!more)
            return;
    }
}

std::vector<TPlaylistLine> ParsePlaylist(std::string_view text, double limit) {
    std::vector<TPlaylistLine> lines;
    ParsePlaylist(text, limit, [&](const TPlaylistLine& line) {
        lines.push_back(line);
        return true;
    });
    return lines;
}
