// MPEG-1/2/2.5 audio layers I, II and III through libmpg123.
//
// libmpg123 resynchronises on almost anything, so random bytes would "decode".
// Before handing a file to it we look for a run of consecutive, consistent
// frame headers ourselves.
#include "internal.h"

#include <algorithm>
#include <cstdio>
#include <mpg123.h>

namespace audiolib {

namespace {

struct FrameHeader {
    int version; // 0 = MPEG 2.5, 2 = MPEG 2, 3 = MPEG 1
    int layer;   // 1..3
    int rate;
    size_t length;
};

bool parseHeader(const unsigned char* p, FrameHeader& h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0)
        return false;
    const int version = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3 || (p[3] & 3) == 2)
        return false;
    const int layer = 4 - layerBits;
    static const int bitrates[5][14] = {
        {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448}, // MPEG 1, layer I
        {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},    // MPEG 1, layer II
        {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},     // MPEG 1, layer III
        {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},    // MPEG 2, layer I
        {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},         // MPEG 2, II and III
    };
    static const int rates[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    const int row = version == 3 ? layer - 1 : (layer == 1 ? 3 : 4);
    const long bitrate = bitrates[row][bitrateIndex - 1] * 1000L;
    const int rate = rates[version][rateIndex];
    long length = 0;
    if (layer == 1)
        length = (12 * bitrate / rate + padding) * 4;
    else if (layer == 3 && version != 3)
        length = 72 * bitrate / rate + padding;
    else
        length = 144 * bitrate / rate + padding;
    h = FrameHeader{version, layer, rate, static_cast<size_t>(length)};
    return length > 4;
}

// True when the bytes hold MPEG audio: after an optional ID3v2 tag, within
// the first few kilobytes, four consecutive frames of one kind (or fewer that
// end exactly where the data or a trailing tag begins).
bool looksLikeMpeg(const std::vector<unsigned char>& d, bool wholeFile) {
    size_t start = 0;
    if (d.size() >= 10 && d[0] == 'I' && d[1] == 'D' && d[2] == '3') {
        start = 10 + ((size_t(d[6] & 0x7F) << 21) | (size_t(d[7] & 0x7F) << 14) |
                      (size_t(d[8] & 0x7F) << 7) | size_t(d[9] & 0x7F));
        if (d[5] & 0x10)
            start += 10; // footer
    }
    const size_t searchEnd = std::min(d.size(), start + 4096);
    for (size_t at = start; at + 4 <= searchEnd; ++at) {
        FrameHeader first;
        if (!parseHeader(&d[at], first))
            continue;
        size_t p = at;
        int frames = 0;
        for (;;) {
            FrameHeader h;
            if (p + 4 > d.size() || !parseHeader(&d[p], h) || h.version != first.version ||
                h.layer != first.layer || h.rate != first.rate)
                break;
            ++frames;
            p += h.length;
            if (frames >= 4)
                return true;
        }
        const bool reachedEnd =
            wholeFile && (p == d.size() ||
                          (p + 3 <= d.size() && d[p] == 'T' && d[p + 1] == 'A' && d[p + 2] == 'G'));
        if (frames >= 1 && reachedEnd)
            return true;
    }
    return false;
}

class MpegDecoder final : public Decoder {
public:
    explicit MpegDecoder(mpg123_handle* h) : h_(h) {}
    ~MpegDecoder() override {
        mpg123_close(h_);
        mpg123_delete(h_);
    }
    bool start() {
        long rate = 0;
        int channels = 0, encoding = 0;
        if (mpg123_getformat(h_, &rate, &channels, &encoding) != MPG123_OK)
            return false;
        rate_ = static_cast<int>(rate);
        channels_ = channels;
        return encoding == MPG123_ENC_FLOAT_32 && channels >= 1 && channels <= 2 && rate > 0;
    }
    int rate() const override { return rate_; }
    int channels() const override { return channels_; }
    size_t read(float* out, size_t frames) override {
        const size_t frameBytes = sizeof(float) * static_cast<size_t>(channels_);
        size_t total = 0;
        while (total < frames) {
            size_t done = 0;
            const int rc =
                mpg123_read(h_, reinterpret_cast<unsigned char*>(out + total * channels_),
                            (frames - total) * frameBytes, &done);
            total += done / frameBytes;
            if (rc == MPG123_NEW_FORMAT || (rc == MPG123_OK && done > 0))
                continue;
            break; // done, an error, or no progress
        }
        return total;
    }
    bool rewind() override { return mpg123_seek(h_, 0, SEEK_SET) >= 0; }

private:
    mpg123_handle* h_;
    int rate_ = 0, channels_ = 0;
};

} // namespace

std::unique_ptr<Decoder> openMpeg(const std::string& path, bool mono, int& error) {
    std::vector<unsigned char> head(65536);
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    head.resize(std::fread(head.data(), 1, head.size(), f));
    const bool wholeFile = std::feof(f) != 0;
    std::fclose(f);
    if (!looksLikeMpeg(head, wholeFile)) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }

    static const bool initialised = mpg123_init() == MPG123_OK;
    (void)initialised;
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    if (!h) {
        error = BASS_ERROR_MEMORY;
        return nullptr;
    }
    auto decoder = std::make_unique<MpegDecoder>(h);
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    if (mono)
        mpg123_param(h, MPG123_ADD_FLAGS, MPG123_MONO_MIX, 0);
    // The output format must be chosen before the file is opened.
    mpg123_format_none(h);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(h, rates[i], mono ? MPG123_MONO : MPG123_MONO | MPG123_STEREO,
                      MPG123_ENC_FLOAT_32);
    if (mpg123_open(h, path.c_str()) != MPG123_OK || !decoder->start()) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    std::vector<float> probe(2 * 1152);
    if (decoder->read(probe.data(), 1152) == 0 || !decoder->rewind()) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }
    return decoder;
}

} // namespace audiolib
