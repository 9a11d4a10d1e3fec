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
#include "owned.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// The ELF class, byte order and machine of this library's own file: a plug-in
// must match them to be loadable at all.
struct ElfIdentity {
    unsigned char elfClass, byteOrder;
    ElfW(Half) machine;
};

bool readElfHeader(std::FILE* f, ElfW(Ehdr) & eh) {
    return std::fread(&eh, sizeof eh, 1, f) == 1 && std::memcmp(eh.e_ident, ELFMAG, SELFMAG) == 0;
}

const ElfIdentity* ownIdentity() {
    static const ElfIdentity* const identity = []() -> const ElfIdentity* {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void*>(&ownIdentity), &info) || !info.dli_fname)
            return nullptr;
        const File f = openFile(info.dli_fname);
        ElfW(Ehdr) eh{};
        if (!f || !readElfHeader(f.get(), eh))
            return nullptr;
        static const ElfIdentity own{eh.e_ident[EI_CLASS], eh.e_ident[EI_DATA], eh.e_machine};
        return &own;
    }();
    return identity;
}

// True when the file is a complete shared object for this machine: its header,
// its program headers and every loadable segment lie within the file. dlopen
// maps the segments without checking, and touching a page past the end of a
// truncated file (a half-copied plug-in) kills the process with SIGBUS.
bool isCompleteSharedObject(const char* path, off_t fileSize) {
    const ElfIdentity* own = ownIdentity();
    const File file = openFile(path);
    std::FILE* const f = file.get();
    if (!own || !f)
        return false;
    const auto size = static_cast<std::uint64_t>(fileSize);
    ElfW(Ehdr) eh{};
    bool ok = readElfHeader(f, eh) && eh.e_ident[EI_CLASS] == own->elfClass &&
              eh.e_ident[EI_DATA] == own->byteOrder && eh.e_machine == own->machine &&
              eh.e_type == ET_DYN && eh.e_phentsize == sizeof(ElfW(Phdr)) && eh.e_phnum > 0 &&
              eh.e_phnum != PN_XNUM && eh.e_phoff <= size &&
              std::uint64_t{eh.e_phnum} * sizeof(ElfW(Phdr)) <= size - eh.e_phoff &&
              std::fseek(f, static_cast<long>(eh.e_phoff), SEEK_SET) == 0;
    bool anyLoad = false;
    for (unsigned i = 0; ok && i < eh.e_phnum; ++i) {
        ElfW(Phdr) ph{};
        ok = std::fread(&ph, sizeof ph, 1, f) == 1;
        if (ok && (ph.p_type == PT_LOAD || ph.p_type == PT_DYNAMIC)) {
            ok = ph.p_offset <= size && ph.p_filesz <= size - ph.p_offset;
            anyLoad = anyLoad || ph.p_type == PT_LOAD;
        }
    }
    return ok && anyLoad;
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
    return guarded<HPLUGIN>(0, [&]() -> HPLUGIN {
        if (!file)
            return fail(BASS_ERROR_ILLPARAM, HPLUGIN{0});
        struct stat st {};
        if (file[0] == '\0' || stat(file, &st) != 0 || !S_ISREG(st.st_mode))
            return fail(BASS_ERROR_FILEOPEN, HPLUGIN{0});

        // A bare name would send dlopen searching the library path; the caller
        // means a file relative to the working folder.
        std::string path;
        try {
            path =
                std::string(file).find('/') == std::string::npos ? "./" + std::string(file) : file;
        } catch (const std::bad_alloc&) {
            return fail(BASS_ERROR_MEMORY, HPLUGIN{0});
        }

        if (!isCompleteSharedObject(path.c_str(), st.st_size))
            return fail(BASS_ERROR_PLUGIN, HPLUGIN{0});

        Registry& r = registry();
        std::lock_guard lock(r.mutex);

        SharedObject module(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
        if (!module)
            return fail(BASS_ERROR_PLUGIN,
                        HPLUGIN{0}); // not a shared object, or unresolved symbols

        // The same file loaded again (under any name) gives back its first handle;
        // dlopen counted a second reference, which the owner drops.
        for (size_t i = 0; i < r.plugins.size(); ++i) {
            if (r.plugins[i].module == module.get()) {
                setError(BASS_OK);
                return kHandleTag | static_cast<DWORD>(i + 1);
            }
        }

        const auto entry = reinterpret_cast<AUDIOLIB_GetPluginFn>(ownEntryPoint(module.get()));
        const AUDIOLIB_PLUGIN* table = entry ? entry() : nullptr;
        if (!tableIsValid(table))
            return fail(BASS_ERROR_PLUGIN, HPLUGIN{0});
        if (r.plugins.size() >= (~kHandleTagMask) - 1)
            return fail(BASS_ERROR_MEMORY, HPLUGIN{0});
        r.plugins.push_back({module.get(), table}); // out of memory: the owner closes it
        module.release();                           // loaded for the life of the process
        setError(BASS_OK);
        return kHandleTag | static_cast<DWORD>(r.plugins.size());
    });
}

AUDIOLIB_API const BASS_PLUGININFO* BASS_PluginGetInfo(HPLUGIN handle) {
    return guarded<const BASS_PLUGININFO*>(nullptr, [&]() -> const BASS_PLUGININFO* {
        if ((handle & kHandleTagMask) != kHandleTag)
            return fail(BASS_ERROR_HANDLE, static_cast<const BASS_PLUGININFO*>(nullptr));
        const size_t index = (handle & ~kHandleTagMask);
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        if (index == 0 || index > r.plugins.size())
            return fail(BASS_ERROR_HANDLE, static_cast<const BASS_PLUGININFO*>(nullptr));
        setError(BASS_OK);
        return r.plugins[index - 1].table->info;
    });
}

} // extern "C"
