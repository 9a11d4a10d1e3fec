// Faults the export cannot be made to meet on purpose, put into the program
// from outside (LD_PRELOAD) for the tests that run it. PHONARA_FAULT names
// the one to bring about:
//   meter  the loudness meter cannot start (ebur128_init fails);
//   alloc  memory runs out while the sound is written (std::bad_alloc).
// Without it, each call goes on to the real library.
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <ebur128.h>
#include <new>
#include <sndfile.h>

namespace {

bool Fault(const char* name) {
    const char* wanted = std::getenv("PHONARA_FAULT");
    return wanted && std::strcmp(wanted, name) == 0;
}

template <typename F> F Real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ebur128_state* ebur128_init(unsigned channels, unsigned long rate, int mode) {
    if (Fault("meter"))
        return nullptr;
    return Real<ebur128_state* (*)(unsigned, unsigned long, int)>("ebur128_init")(channels, rate,
                                                                                  mode);
}

extern "C" sf_count_t sf_writef_float(SNDFILE* file, const float* data, sf_count_t frames) {
    if (Fault("alloc"))
        throw std::bad_alloc();
    return Real<sf_count_t (*)(SNDFILE*, const float*, sf_count_t)>("sf_writef_float")(file, data,
                                                                                       frames);
}
