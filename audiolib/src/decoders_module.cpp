// Music modules (MOD, XM, S3M, IT, MTM, MO3, ...) rendered by libopenmpt at the
// device's rate.
#include "internal.h"
#include "owned.h"

#include <cstdio>
#include <libopenmpt/libopenmpt.h>

namespace audiolib {

namespace {

class ModuleDecoder final : public Decoder {
public:
    ModuleDecoder(openmpt_module* mod, int rate, bool mono) : mod_(mod), rate_(rate), mono_(mono) {}
    ~ModuleDecoder() override { openmpt_module_destroy(mod_); }
    int rate() const override { return rate_; }
    int channels() const override { return mono_ ? 1 : 2; }
    size_t read(float* out, size_t frames) override {
        return mono_ ? openmpt_module_read_float_mono(mod_, rate_, frames, out)
                     : openmpt_module_read_interleaved_float_stereo(mod_, rate_, frames, out);
    }
    bool rewind() override {
        openmpt_module_set_position_seconds(mod_, 0.0);
        return true;
    }

private:
    openmpt_module* mod_;
    int rate_;
    bool mono_;
};

// libopenmpt reports through callbacks; the library stays quiet.
void quietLog(const char*, void*) {}
int quietError(int, void*) {
    return OPENMPT_ERROR_FUNC_RESULT_NONE;
}

} // namespace

std::unique_ptr<Decoder> openModule(const std::string& path, int rate, bool mono, bool ramp,
                                    int& error) {
    const File file = openFile(path.c_str());
    std::FILE* const f = file.get();
    if (!f) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    std::vector<unsigned char> data;
    unsigned char chunk[65536];
    size_t got = 0;
    // Refuse a file that is clearly no module from its first bytes, before
    // reading the rest.
    got = std::fread(chunk, 1, sizeof chunk, f);
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    const int probe =
        openmpt_probe_file_header(OPENMPT_PROBE_FILE_HEADER_FLAGS_DEFAULT, chunk, got,
                                  size < 0 ? 0 : static_cast<uint64_t>(size), quietLog, nullptr,
                                  quietError, nullptr, nullptr, nullptr);
    if (probe != OPENMPT_PROBE_FILE_HEADER_RESULT_SUCCESS || size <= 0 || size > (256L << 20)) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    data.resize(static_cast<size_t>(size));
    std::fseek(f, 0, SEEK_SET);
    const size_t read = std::fread(data.data(), 1, data.size(), f);
    if (read != data.size()) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    std::unique_ptr<openmpt_module, decltype(&openmpt_module_destroy)> owned(
        openmpt_module_create_from_memory2(data.data(), data.size(), quietLog, nullptr, quietError,
                                           nullptr, nullptr, nullptr, nullptr),
        &openmpt_module_destroy);
    if (!owned) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    openmpt_module* const mod = owned.get();
    // The song ends at its end, without libopenmpt's fade-out: looping is
    // the channel's business and must not leave a gap.
    openmpt_module_set_repeat_count(mod, 0);
    openmpt_module_ctl_set_text(mod, "play.at_end", "stop");
    // Ramping: libopenmpt's default strength, or none.
    openmpt_module_set_render_param(mod, OPENMPT_MODULE_RENDER_VOLUMERAMPING_STRENGTH,
                                    ramp ? -1 : 0);
    auto decoder = std::make_unique<ModuleDecoder>(mod, rate, mono);
    owned.release(); // the decoder owns it now
    std::vector<float> probeFrames(2 * 256);
    if (decoder->read(probeFrames.data(), 256) == 0) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    decoder->rewind();
    return decoder;
}

} // namespace audiolib
