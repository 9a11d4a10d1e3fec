#include "playlist/PlaylistFormat.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "spatial/Coordinates.h"

const char* const PlaylistEffectKey = "#PNAPEffect";
const char* const PlaylistPositionKey = "#PNAPParam";
const char* const PlaylistLevelKey = "#PNAPLevel";

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

TPlaylistLine LevelLine(std::string_view line) {
    const auto f = ScanFields<double, 2>(line, 1 + std::string_view("pnaplevel").size(),
                                         [](char c) { return IsDigit(c) || c == '.' || c == ' '; });
    TPlaylistLine out;
    out.LineKind = TPlaylistLine::Kind::Level;
    if (f[0])
        out.Gain = static_cast<float>(std::clamp(*f[0], 0.0, 1.0));
    if (f[1])
        out.Muted = *f[1] != 0;
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
        if (c.Motion)
            text += FormatMotionPathLine(*c.Motion) + std::string(LineEnd);
        // A gain too small for fixed notation is silence: written as 0.
        if (c.Gain != 1.f || c.Muted)
            text += std::string(PlaylistLevelKey) + " " +
                    FormatPlaylistNumber(c.Gain < 1e-5f ? 0.f : c.Gain) + "," +
                    (c.Muted ? "1" : "0") + std::string(LineEnd);
        text += c.FileName + std::string(LineEnd);
    }
    return text;
}

std::optional<TPlaylistLine> ClassifyPlaylistLine(std::string_view line, double limit) {
    if (line.empty())
        return std::nullopt;
    if (HasKey(line, "pnapeffect"))
        return EffectLine(line);
    if (HasKey(line, "pnapparam"))
        return PositionLine(line, limit);
    if (IsMotionPathLine(line)) {
        auto motion = ParseMotionPathLine(line, limit);
        if (!motion)
            return std::nullopt; // skipped whole, like a comment
        TPlaylistLine out;
        out.LineKind = TPlaylistLine::Kind::Motion;
        out.Motion = std::move(motion);
        return out;
    }
    if (HasKey(line, "pnaplevel"))
        return LevelLine(line);
    if (line[0] == '#')
        return std::nullopt;
    TPlaylistLine file;
    file.Path = std::string(line);
    return file;
}

bool TPlaylistLineSplitter::Feed(std::string_view chunk, const TOnText& onLine) {
    while (!ended_ && !chunk.empty()) {
        if (afterCR_ && chunk.front() == '\n')
            chunk.remove_prefix(1); // the LF of a CR LF
        afterCR_ = false;
        const size_t end =
            std::min(chunk.find_first_of(std::string_view("\r\n\0", 3)), chunk.size());
        // A line too long to be a file or a setting is skipped whole; it is
        // not kept while it goes on.
        if (!tooLong_ && line_.size() + end > MaxLineLength &&
            line_.size() + end > LimitOf(chunk.substr(0, end))) {
            tooLong_ = true;
            line_.clear();
        }
        if (end == chunk.size()) {
            if (!tooLong_)
                line_.append(chunk);
            return true;
        }
        // A line that lies whole in this piece is handed over where it is.
        std::string_view line = chunk.substr(0, end);
        if (!line_.empty()) {
            line_.append(line);
            line = line_;
        }
        const char c = chunk[end];
        chunk.remove_prefix(end + 1);
        afterCR_ = c == '\r';
        if (!EndLine(line, onLine) || c == '\0')
            ended_ = true; // a NUL byte ends the text
    }
    return !ended_;
}

void TPlaylistLineSplitter::Finish(const TOnText& onLine) {
    if (!ended_ && (!line_.empty() || tooLong_))
        EndLine(line_, onLine);
    ended_ = true;
}

size_t TPlaylistLineSplitter::LimitOf(std::string_view rest) const {
    // The key is at the start of the line, which is long by now.
    std::string key = line_.substr(0, std::string_view(MotionPathKey).size());
    key.append(rest.substr(0, std::string_view(MotionPathKey).size() - key.size()));
    return IsMotionPathLine(key) ? MotionPathMaxLineLength : MaxLineLength;
}

bool TPlaylistLineSplitter::EndLine(std::string_view line, const TOnText& onLine) {
    // The signature some editors put before UTF-8 text is no part of the
    // first line, which would otherwise name a file that is not there.
    if (first_ && line.starts_with("\xEF\xBB\xBF"))
        line.remove_prefix(3);
    first_ = false;
    const bool skipped = tooLong_;
    tooLong_ = false;
    const bool more = skipped || onLine(line);
    line_.clear();
    return more;
}

void ParsePlaylist(std::string_view text, double limit,
                   const std::function<bool(const TPlaylistLine&)>& onLine) {
    TPlaylistLineSplitter splitter;
    auto each = [&](std::string_view text) {
        const auto line = ClassifyPlaylistLine(text, limit);
        return !line || onLine(*line);
    };
    if (splitter.Feed(text, each))
        splitter.Finish(each);
}

void TPlaylistDigest::Add(TPlaylistLine line) {
    // Settings lines between two file lines add up to one of each kind: each
    // field keeps the last value given, as reading them one by one leaves it.
    if (line.LineKind != TPlaylistLine::Kind::File) {
        for (size_t i = Lines.size(); i > 0 && Lines[i - 1].LineKind != TPlaylistLine::Kind::File;
             --i) {
            TPlaylistLine& earlier = Lines[i - 1];
            if (earlier.LineKind != line.LineKind)
                continue;
            auto keep = [](auto& into, const auto& from) {
                if (from)
                    into = from;
            };
            keep(earlier.ReverbLevel, line.ReverbLevel);
            keep(earlier.Environment, line.Environment);
            keep(earlier.X, line.X);
            keep(earlier.Y, line.Y);
            keep(earlier.Z, line.Z);
            keep(earlier.Motion, line.Motion);
            keep(earlier.Gain, line.Gain);
            keep(earlier.Muted, line.Muted);
            return;
        }
    }
    Lines.push_back(std::move(line));
}

std::vector<TPlaylistLine> ParsePlaylist(std::string_view text, double limit) {
    std::vector<TPlaylistLine> lines;
    ParsePlaylist(text, limit, [&](const TPlaylistLine& line) {
        lines.push_back(line);
        return true;
    });
    return lines;
}
