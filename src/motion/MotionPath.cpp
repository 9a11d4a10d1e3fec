#include "motion/MotionPath.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "playlist/FieldText.h"
#include "spatial/Coordinates.h"

const char* const MotionPathKey = "#PNAPPath";

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithLower(std::string_view s, std::string_view lowerPrefix) {
    if (s.size() < lowerPrefix.size())
        return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i)
        if (Lower(s[i]) != lowerPrefix[i])
            return false;
    return true;
}

std::optional<double> Number(std::string_view s) {
    s = TrimmedField(s);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<TMotionPoint> Point(std::string_view text, double limit) {
    double v[4];
    for (int i = 0; i < 4; ++i) {
        const size_t comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == 3))
            return std::nullopt; // three or five numbers
        const auto n = Number(text.substr(0, comma));
        if (!n)
            return std::nullopt;
        v[i] = *n;
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    auto place = [limit](double c) { return static_cast<float>(std::clamp(c, -limit, limit)); };
    return TMotionPoint{v[0], place(v[1]), place(v[2]), place(v[3])};
}

double Distance(const TMotionPoint& a, const TMotionPoint& b) {
    const double dx = double(a.X) - b.X, dy = double(a.Y) - b.Y, dz = double(a.Z) - b.Z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TMotionPoint Between(const TMotionPoint& a, const TMotionPoint& b, double t) {
    const double f = b.T > a.T ? std::clamp((t - a.T) / (b.T - a.T), 0.0, 1.0) : 0.0;
    auto mix = [f](float p, float q) { return static_cast<float>(p + (double(q) - p) * f); };
    return {t, mix(a.X, b.X), mix(a.Y, b.Y), mix(a.Z, b.Z)};
}

constexpr size_t MaxSpan = 2048;

} // namespace

bool IsMotionPathLine(std::string_view line) {
    return StartsWithLower(line, "#pnappath");
}

std::optional<TMotionPath> ParseMotionPathLine(std::string_view line, double limit) {
    if (!IsMotionPathLine(line))
        return std::nullopt;
    line.remove_prefix(std::string_view(MotionPathKey).size());
    // The key, at least one space, the mode, at least one space, the points.
    if (line.empty() || line.front() != ' ')
        return std::nullopt;
    line = TrimmedField(line);
    const size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const std::string_view mode = line.substr(0, space);
    TMotionPath path;
    if (mode.size() == 4 && StartsWithLower(mode, "loop"))
        path.Mode = TMotionMode::Loop;
    else if (mode.size() == 4 && StartsWithLower(mode, "once"))
        path.Mode = TMotionMode::Once;
    else
        return std::nullopt;
    std::string_view points = TrimmedField(line.substr(space));
    if (points.ends_with(';'))
        points.remove_suffix(1); // a closing separator adds no point
    while (!points.empty()) {
        const size_t semi = points.find(';');
        const auto p = Point(points.substr(0, semi), limit);
        if (!p)
            return std::nullopt;
        if (path.Points.empty() ? p->T != 0 : p->T <= path.Points.back().T)
            return std::nullopt;
        path.Points.push_back(*p);
        points.remove_prefix(semi == std::string_view::npos ? points.size() : semi + 1);
    }
    if (path.Points.size() < 2)
        return std::nullopt;
    return path;
}

std::string FormatMotionPathLine(const TMotionPath& path) {
    std::string line = MotionPathKey;
    line += path.Mode == TMotionMode::Loop ? " loop " : " once ";
    for (size_t i = 0; i < path.Points.size(); ++i) {
        const TMotionPoint& p = path.Points[i];
        if (i > 0)
            line += ';';
        line += FormatFixed15(p.T) + ',' + FormatFixed15(p.X) + ',' + FormatFixed15(p.Y) + ',' +
                FormatFixed15(p.Z);
    }
    return line;
}

TMotionPoint MotionPositionAt(const TMotionPath& path, double t) {
    size_t hint = 0;
    return MotionPositionAt(path, t, hint);
}

TMotionPoint MotionPositionAt(const TMotionPath& path, double t, size_t& hint) {
    const auto& pts = path.Points;
    if (pts.empty())
        return {t, 0, 0, 0};
    const double length = path.Length();
    if (path.Mode == TMotionMode::Loop && length > 0) {
        t = std::fmod(t, length);
        if (t < 0)
            t += length;
    }
    if (t <= pts.front().T)
        return {t, pts.front().X, pts.front().Y, pts.front().Z};
    if (t >= length)
        return {t, pts.back().X, pts.back().Y, pts.back().Z};
    // The segment from the last point at or before t to the first after it.
    auto holds = [&](size_t i) { return i + 1 < pts.size() && pts[i].T <= t && t < pts[i + 1].T; };
    if (!holds(hint)) {
        if (holds(hint + 1)) {
            ++hint;
        } else {
            const auto after = std::upper_bound(
                pts.begin(), pts.end(), t, [](double v, const TMotionPoint& p) { return v < p.T; });
            hint = static_cast<size_t>(after - pts.begin()) - 1;
        }
    }
    return Between(pts[hint], pts[hint + 1], t);
}

std::vector<TMotionPoint> ThinMotionPoints(const std::vector<TMotionPoint>& points,
                                           double tolerance) {
    if (points.size() <= 2)
        return points;
    std::vector<TMotionPoint> kept{points.front()};
    size_t anchor = 0;
    // The line from the anchor reaches as far as every point on the way stays
    // within tolerance of it; the point before the first that strays is kept.
    for (size_t next = 2; next < points.size(); ++next) {
        // A long stand-still would cost time squared: a point is kept now
        // and then all the same.
        bool fits = next - anchor <= MaxSpan;
        for (size_t i = anchor + 1; i < next && fits; ++i)
            fits = Distance(points[i], Between(points[anchor], points[next], points[i].T)) <=
                   tolerance;
        if (!fits) {
            anchor = next - 1;
            kept.push_back(points[anchor]);
        }
    }
    kept.push_back(points.back());
    return kept;
}
