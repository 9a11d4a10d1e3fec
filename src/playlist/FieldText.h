// The text of one field of a settings line, as the playlist's readers take it.
#pragma once

#include <string_view>

// Spaces and control characters go from both ends of a field.
inline std::string_view TrimmedField(std::string_view s) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}
