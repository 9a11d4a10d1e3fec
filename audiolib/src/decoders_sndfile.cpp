// WAV, AIFF, Ogg Vorbis, FLAC and the other containers libsndfile reads.
// MPEG audio is left to the libmpg123 decoder, which checks it more strictly
// and can downmix it.
#include "internal.h"

#include <sndfile.h>

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

} // namespace

std::unique_ptr<Decoder> openSndfile(const std::string& path, int& error) {
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
