// Pure code words its messages through a hook, so that it needs no Qt: the
// program passes its translation, tests the Japanese source texts as they are.
// The hook is called translate(context, text), the form the translation tools
// pick the texts up from.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

using TTranslate = std::function<std::string(const char* context, const char* text)>;

inline std::string SourceText(const char*, const char* text) {
    return text;
}

// text with %1, %2, ... replaced by values in order (a value's own "%2" stays).
inline std::string Filled(std::string text, std::initializer_list<std::string> values) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t n =
            i + 1 < text.size() ? static_cast<size_t>(text[i + 1] - '1') : values.size();
        if (text[i] == '%' && n < values.size()) {
            out += *(values.begin() + n);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}
