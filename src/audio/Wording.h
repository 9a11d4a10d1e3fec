// Pure code words its messages through a hook, so that it needs no Qt: the
// program passes its translation, tests the Japanese source texts as they are.
// The hook is called translate(context, text), the form the translation tools
// pick the texts up from.
#pragma once

#include <functional>
#include <string>

using TTranslate = std::function<std::string(const char* context, const char* text)>;

inline std::string SourceText(const char*, const char* text) {
    return text;
}
