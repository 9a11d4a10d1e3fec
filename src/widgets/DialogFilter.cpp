#include "widgets/DialogFilter.h"

namespace {

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = s.find(sep, start);
        parts.push_back(
            s.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

} // namespace

std::vector<TFilterEntry> ParseFilter(const std::string& filter) {
    std::vector<TFilterEntry> entries;
    if (filter.empty())
        return entries;
    const auto parts = split(filter, '|');
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        TFilterEntry e;
        e.Text = parts[i];
        for (auto& p : split(parts[i + 1], ';')) {
            if (p.empty())
                continue;
            // "*.*" means every file; on Linux many files have no dot at all.
            e.Patterns.push_back(p == "*.*" ? "*" : p);
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

std::string QtFilterEntry(const TFilterEntry& entry) {
    std::string s = entry.Text + " (";
    for (size_t i = 0; i < entry.Patterns.size(); ++i) {
        if (i)
            s += ' ';
        s += entry.Patterns[i];
    }
    return s + ")";
}
