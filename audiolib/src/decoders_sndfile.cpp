// WAV, AIFF, Ogg Vorbis, FLAC and the other containers libsndfile reads.
// MPEG audio is left to the libmpg123 decoder, which checks it more strictly
// and can downmix it.
#include "internal.h"

#include <sndfile.h>
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <cstring>

namespace audiolib {

namespace {

class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE* file, const SF_INFO& info) : file_(file), info_(info) {}
    ~SndfileDecoder() override { sf_close(file_); }
    int rate() const override { return info_.samplerate; }
    int channels() const override { return info_.channels; }
    size_t read(float* out, size_t frames) override {
        const sf_count_t got = sf_readf_float(file_, out, static_cast<sf_count_t>(frames));
        return got > 0 ? static_cast<size_t>(got) : 0;
    }
    bool rewind() override { return sf_seek(file_, 0, SEEK_SET) == 0; }

private:
    SNDFILE* file_;
    SF_INFO info_;
};

// The file as a stdio stream that vorbisfile reads but never closes.
size_t readFile(void* out, size_t size, size_t count, void* file) {
    return std::fread(out, size, count, static_cast<std::FILE*>(file));
}
int seekFile(void* file, ogg_int64_t offset, int whence) {
    return std::fseek(static_cast<std::FILE*>(file), static_cast<long>(offset), whence);
}
long tellFile(void* file) {
    return std::ftell(static_cast<std::FILE*>(file));
}

// libsndfile leaks its Vorbis state when an Ogg Vorbis file ends before its
// three header packets do. Such a file is refused before libsndfile sees it;
// vorbisfile, the reference decoder, reads the headers cleanly. Other Ogg
// streams (Opus, FLAC) and other containers pass unchecked.
bool vorbisHeadersIncomplete(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    // The first page: "OggS", its segment count at byte 26, then the table and
    // the first packet.
    unsigned char page[27 + 255 + 7];
    const size_t got = std::fread(page, 1, sizeof page, f);
    const size_t packet = got >= 27 ? 27 + size_t{page[26]} : got;
    const bool vorbis = got >= 27 && std::memcmp(page, "OggS", 4) == 0 && packet + 7 <= got &&
                        std::memcmp(page + packet, "\x01vorbis", 7) == 0;
    bool incomplete = false;
    if (vorbis && std::fseek(f, 0, SEEK_SET) == 0) {
        OggVorbis_File vf;
        const ov_callbacks callbacks{readFile, seekFile, nullptr, tellFile};
        incomplete = ov_test_callbacks(f, &vf, nullptr, 0, callbacks) != 0;
        if (!incomplete)
            ov_clear(&vf);
    }
    std::fclose(f);
    return incomplete;
}

} // namespace

std::unique_ptr<Decoder> openSndfile(const std::string& path, int& error) {
    if (vorbisHeadersIncomplete(path)) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    const bool usable = (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG &&
                        info.channels >= 1 && info.channels <= 8 && info.seekable;
    if (!usable) {
        sf_close(file);
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    auto decoder = std::make_unique<SndfileDecoder>(file, info);
    // A header alone is not a sound: the first frames must decode.
    std::vector<float> probe(static_cast<size_t>(256 * info.channels));
    if (decoder->read(probe.data(), 256) == 0 || !decoder->rewind()) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    return decoder;
}

} // namespace audiolib
