// WAV, AIFF, Ogg Vorbis, FLAC and the other containers libsndfile reads.
// MPEG audio is left to the libmpg123 decoder, which checks it more strictly
// and can downmix it.
#include "internal.h"
#include "owned.h"

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

// True when the first packet of the file's first Ogg page (found the way
// libsndfile finds it, resynchronising past junk) announces Vorbis.
bool firstPacketIsVorbis(std::FILE* f) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    ogg_page page;
    bool found = false;
    for (size_t total = 0; !found && total < (1u << 20);) {
        char* buffer = ogg_sync_buffer(&sync, 4096);
        const size_t n = buffer ? std::fread(buffer, 1, 4096, f) : 0;
        if (n == 0)
            break;
        ogg_sync_wrote(&sync, static_cast<long>(n));
        total += n;
        int result = 0;
        while (!found && (result = ogg_sync_pageout(&sync, &page)) != 0)
            found = result > 0;
    }
    bool vorbis = false;
    if (found) {
        ogg_stream_state stream;
        ogg_stream_init(&stream, ogg_page_serialno(&page));
        ogg_packet packet;
        vorbis = ogg_stream_pagein(&stream, &page) == 0 &&
                 ogg_stream_packetout(&stream, &packet) == 1 && packet.bytes >= 7 &&
                 std::memcmp(packet.packet, "\x01vorbis", 7) == 0;
        ogg_stream_clear(&stream);
    }
    ogg_sync_clear(&sync);
    return vorbis;
}

// libsndfile leaks its Vorbis state when an Ogg Vorbis file ends (or is
// damaged) before its three header packets do. Such a file is refused before
// libsndfile sees it; vorbisfile, the reference decoder, reads the headers
// cleanly. Ogg streams that hold no Vorbis (Opus, FLAC) pass unchecked.
bool vorbisHeadersBroken(const std::string& path) {
    const File file = openFile(path.c_str());
    std::FILE* const f = file.get();
    if (!f)
        return false;
    char magic[4] = {};
    bool broken = false;
    if (std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "OggS", 4) == 0 &&
        std::fseek(f, 0, SEEK_SET) == 0 && firstPacketIsVorbis(f) &&
        std::fseek(f, 0, SEEK_SET) == 0) {
        OggVorbis_File vf;
        const ov_callbacks callbacks{readFile, seekFile, nullptr, tellFile};
        broken = ov_test_callbacks(f, &vf, nullptr, 0, callbacks) != 0;
        if (!broken)
            ov_clear(&vf);
    }
    return broken;
}

} // namespace

std::unique_ptr<Decoder> openSndfile(const std::string& path, int& error) {
    if (vorbisHeadersBroken(path)) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    SF_INFO info{};
    std::unique_ptr<SNDFILE, decltype(&sf_close)> owned(sf_open(path.c_str(), SFM_READ, &info),
                                                        &sf_close);
    if (!owned) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    const bool usable = (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG &&
                        info.channels >= 1 && info.channels <= 8 && info.seekable;
    if (!usable) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    auto decoder = std::make_unique<SndfileDecoder>(owned.get(), info);
    owned.release(); // the decoder owns it now
    // A header alone is not a sound: the first frames must decode.
    std::vector<float> probe(static_cast<size_t>(256 * info.channels));
    if (decoder->read(probe.data(), 256) == 0 || !decoder->rewind()) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    return decoder;
}

} // namespace audiolib
