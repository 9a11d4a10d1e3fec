// One OSC message as liblo decodes it: the path, the type tags, the numbers
// (ints and floats alike, as doubles) and the strings. Qt-free.
#pragma once

#include <cstddef>
#include <lo/lo.h>
#include <string>
#include <vector>

namespace testsupport {

struct OscMessage {
    std::string path, types;
    std::vector<double> numbers;
    std::string text; // the last string
    std::vector<std::string> strings;
};

// An undecodable datagram keeps only its path (empty when not even that).
inline OscMessage DecodeOsc(const void* data, size_t size) {
    OscMessage out{size ? static_cast<const char*>(data) : "", {}, {}, {}, {}};
    int result = 0;
    lo_message m = lo_message_deserialise(const_cast<void*>(data), size, &result);
    out.types = m ? lo_message_get_types(m) : "";
    for (size_t i = 0; i < out.types.size(); ++i) {
        const auto type = static_cast<lo_type>(out.types[i]);
        lo_arg* arg = lo_message_get_argv(m)[i];
        // liblo packs arguments at 4 bytes, less than lo_arg's alignment:
        // a string is read through a plain char pointer, not a member access.
        if (type == LO_STRING)
            out.strings.push_back(out.text = reinterpret_cast<const char*>(arg));
        else
            out.numbers.push_back(static_cast<double>(lo_hires_val(type, arg)));
    }
    if (m)
        lo_message_free(m);
    return out;
}

// A message with arguments as lo_send takes them, encoded by liblo itself.
template <typename... Args> lo_message Msg(const char* types, Args... args) {
    lo_message m = lo_message_new();
    lo_message_add(m, types, args...);
    return m;
}

} // namespace testsupport
