// Owners for C resources the library opens: each is closed on every way out,
// an exception included.
#pragma once

#include <cstdio>
#include <dlfcn.h>
#include <memory>

namespace audiolib {

struct FileCloser {
    void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

inline File openFile(const char* path) {
    return File(std::fopen(path, "rb"));
}

struct ModuleCloser {
    void operator()(void* module) const noexcept { dlclose(module); }
};
// A dlopen handle.
using SharedObject = std::unique_ptr<void, ModuleCloser>;

} // namespace audiolib
