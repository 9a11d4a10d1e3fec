// Plug-in loader: BASS_PluginLoad, BASS_PluginGetInfo and the plug-in decoders
// that the stream opener falls back to after the built-in ones.
//
// Plug-ins are loaded on the GUI thread and asked to open files by whichever
// thread creates a stream; the registry is guarded by a mutex. A plug-in is
// never unloaded while the process runs, so a table pointer taken from the
// registry stays valid without holding the lock.

#include "audiolib_plugin.h"
#include "decoder.h"
#include "error.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <new>
#include <vector>

namespace audiolib {
namespace {

// Like every handle of the library, a plug-in handle names its kind in the top
// four bits (5 = plug-in), so a channel handle passed by mistake is refused.
constexpr DWORD kHandleTag = 0x50000000u;
constexpr DWORD kHandleTagMask = 0xF0000000u;
// More channels than any format we know of carries: a plug-in reporting more
// is taken to be broken, and its decoder is not used.
constexpr DWORD kMaxChannels = 64;

struct Plugin {
    void* module;                 // dlopen handle, kept for the life of the process
    const AUDIOLIB_PLUGIN* table; // inside the module
};

struct Registry {
    std::mutex mutex;
    std::vector<Plugin> plugins; // load order; handle = kHandleTag | (index + 1)
};

// Never destroyed: a stream may still be opened by another thread while static
// objects are being torn down at exit. The pointer keeps it reachable for leak
// checkers.
Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

bool tableIsValid(const AUDIOLIB_PLUGIN* t) {
    if (!t || t->abi != AUDIOLIB_PLUGIN_ABI || !t->info || !t->open || !t->read || !t->close)
        return false;
    return t->info->formatc == 0 || t->info->formats != nullptr;
}

// The entry point must be defined by the file itself: dlsym on a handle also
// searches the libraries it depends on, and a library that merely links to a
// plug-in is not one.
void* ownEntryPoint(void* module) {
    void* sym = dlsym(module, AUDIOLIB_PLUGIN_ENTRY_NAME);
    if (!sym)
        return nullptr;
    link_map* own = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &own) != 0 || !own)
        return nullptr;
    Dl_info where{};
    link_map* definer = nullptr;
    if (!dladdr1(sym, &where, reinterpret_cast<void**>(&definer), RTLD_DL_LINKMAP) || !definer)
        return nullptr;
    return definer == own ? sym : nullptr;
}

// Fills out[0 .. frames * channels) from the plug-in, calling read until the
// request is met, the data ends or the decoder fails.
class PluginDecoder final : public Decoder {
public:
    PluginDecoder(const AUDIOLIB_PLUGIN* table, void* handle, DWORD rate, DWORD channels)
        : table_(table), handle_(handle), rate_(static_cast<int>(rate)),
          channels_(static_cast<int>(channels)) {}
    ~PluginDecoder() override { table_->close(handle_); }
    PluginDecoder(const PluginDecoder&) = delete;
    PluginDecoder& operator=(const PluginDecoder&) = delete;

    int rate() const override { return rate_; }
    int channels() const override { return channels_; }

    size_t read(float* out, size_t frames) override {
        size_t done = 0;
        while (done < frames && !failed_) {
            const size_t want = std::min<size_t>(frames - done, LONG_MAX / kMaxChannels);
            float* dst = out + done * static_cast<size_t>(channels_);
            const long got = table_->read(handle_, dst, static_cast<long>(want));
            if (got < 0)
                failed_ = true;
            if (got <= 0)
                break;
            done += std::min(static_cast<size_t>(got), want);
        }
        return done;
    }

    bool rewind() override {
        if (!table_->rewind || table_->rewind(handle_) == 0)
            return false;
        failed_ = false;
        return true;
    }

private:
    const AUDIOLIB_PLUGIN* table_;
    void* handle_;
    int rate_;
    int channels_;
    bool failed_ = false;
};

} // namespace

std::unique_ptr<Decoder> openWithPlugins(const std::string& path) {
    std::vector<const AUDIOLIB_PLUGIN*> tables;
    try {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        tables.reserve(r.plugins.size());
        for (const Plugin& p : r.plugins)
            tables.push_back(p.table);
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEMORY, std::unique_ptr<Decoder>());
    }

    for (const AUDIOLIB_PLUGIN* t : tables) {
        DWORD rate = 0;
        DWORD channels = 0;
        void* handle = t->open(path.c_str(), &rate, &channels);
        if (!handle)
            continue;
        if (rate == 0 || rate > INT_MAX || channels == 0 || channels > kMaxChannels) {
            t->close(handle);
            continue;
        }
        try {
            return std::make_unique<PluginDecoder>(t, handle, rate, channels);
        } catch (const std::bad_alloc&) {
            t->close(handle);
            return fail(BASS_ERROR_MEMORY, std::unique_ptr<Decoder>());
        }
    }
    return fail(BASS_ERROR_FORMAT, std::unique_ptr<Decoder>());
}

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API HPLUGIN BASS_PluginLoad(const char* file, DWORD /*flags*/) {
    if (!file)
        return fail(BASS_ERROR_ILLPARAM, HPLUGIN{0});
    struct stat st {};
    if (file[0] == '\0' || stat(file, &st) != 0 || !S_ISREG(st.st_mode))
        return fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});

    // A bare name would send dlopen searching the library path; the caller
    // means a file relative to the working folder.
    std::string path;
    try {
        path = std::string(file).find('/') == std::string::npos ? "./" + std::string(file) : file;
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEMORY, HPLUGIN{0});
    }

    Registry& r = registry();
    std::lock_guard lock(r.mutex);

    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return fail(BASS_ERROR_PLUGIN, HPLUGIN{0}); // not a shared object, or unresolved symbols

    // The same file loaded again (under any name) gives back its first handle;
    // dlopen counted a second reference, which we drop.
    for (size_t i = 0; i < r.plugins.size(); ++i) {
        if (r.plugins[i].module == module) {
            dlclose(module);
            setError(BASS_OK);
            return kHandleTag | static_cast<DWORD>(i + 1);
        }
    }

    const auto entry = reinterpret_cast<AUDIOLIB_GetPluginFn>(ownEntryPoint(module));
    const AUDIOLIB_PLUGIN* table = entry ? entry() : nullptr;
    if (!tableIsValid(table)) {
        dlclose(module);
        return fail(BASS_ERROR_PLUGIN, HPLUGIN{0});
    }
    if (r.plugins.size() >= (~kHandleTagMask) - 1) {
        dlclose(module);
        return fail(BASS_ERROR_MEMORY, HPLUGIN{0});
    }
    try {
        r.plugins.push_back({module, table});
    } catch (const std::bad_alloc&) {
        dlclose(module);
        return fail(BASS_ERROR_MEMORY, HPLUGIN{0});
    }
    setError(BASS_OK);
    return kHandleTag | static_cast<DWORD>(r.plugins.size());
}

AUDIOLIB_API const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle) {
    if ((handle & kHandleTagMask) != kHandleTag)
        return fail(BASS_ERROR_HANDLE, static_cast<const BASS_PLUGININFO*>(nullptr));
    const size_t index = (handle & ~kHandleTagMask);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (index == 0 || index > r.plugins.size())
        return fail(BASS_ERROR_HANDLE, static_cast<const BASS_PLUGININFO*>(nullptr));
    setError(BASS_OK);
    return r.plugins[index - 1].table->info;
}

} // extern "C"
