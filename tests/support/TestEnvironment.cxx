// The environment every test binary runs in, set by the binary itself so that
// running it directly behaves as under ctest: OpenAL Soft's null output, Qt's
// offscreen platform (unless the caller chose otherwise), the built plug-ins,
// and a configuration folder of the build's own, never the tester's.
#include <cstdlib>

namespace {

const bool environmentSet = [] {
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("PHONARA_PLUGIN_DIR", PHONARA_TEST_PLUGIN_DIR, 0);
    setenv("XDG_CONFIG_HOME", PHONARA_TEST_CONFIG_HOME, 1);
    return true;
}();

} // namespace

// AddressSanitizer's defaults for this binary; ASAN_OPTIONS still overrides.
extern "C" const char* __asan_default_options() {
    return PHONARA_TEST_DETECT_LEAKS ? "detect_leaks=1" : "detect_leaks=0";
}
