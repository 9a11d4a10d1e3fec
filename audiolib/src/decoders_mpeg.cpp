// MPEG-1/2/2.5 audio layers I, II and III through libmpg123.
//
// libmpg123 resynchronises on almost anything, so random bytes would "decode".
// Before handing a file to it we look for a run of consecutive, consistent
// frame headers ourselves.
#include "internal.h"
#include "owned.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

// True when the bytes hold MPEG audio: within the first few kilobytes of d,
// four consecutive frames of one kind, or fewer that end exactly at dataEnd
// (where the audio data ends, when d reaches that far; else past d's end).
bool looksLikeMpeg(const std::vector<unsigned char>& d, size_t dataEnd) {
    const size_t searchEnd = std::min(d.size(), size_t{4096});
    for (size_t at = 0; at + 4 <= searchEnd; ++at) {
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
        if (frames >= 1 && p == dataEnd)
            return true;
    }
    return false;
}

uint32_t syncsafe(const unsigned char* p) {
    return (uint32_t(p[0] & 0x7F) << 21) | (uint32_t(p[1] & 0x7F) << 14) |
           (uint32_t(p[2] & 0x7F) << 7) | uint32_t(p[3] & 0x7F);
}

uint32_t littleEndian32(const unsigned char* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool readAt(FILE* f, long at, unsigned char* out, size_t n) {
    return at >= 0 && std::fseek(f, at, SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
}

// Where the audio data lies in the file: after the ID3v2 tags at its start
// (whose headers give their sizes, so a cover picture of any size is passed
// over without reading it) and before an ID3v1 and an APE tag at its end.
struct DataRange {
    long begin = 0, end = 0;
};

DataRange audioData(FILE* f, long size) {
    DataRange r{0, size};
    unsigned char h[32];
    while (r.begin + 10 <= size && readAt(f, r.begin, h, 10) && h[0] == 'I' && h[1] == 'D' &&
           h[2] == '3' && h[3] != 0xFF && h[4] != 0xFF &&
           ((h[6] | h[7] | h[8] | h[9]) & 0x80) == 0) {
        const bool footer = h[3] >= 4 && (h[5] & 0x10);
        r.begin += 10 + long(syncsafe(h + 6)) + (footer ? 10 : 0);
    }
    if (r.end - r.begin >= 128 && readAt(f, r.end - 128, h, 3) && h[0] == 'T' && h[1] == 'A' &&
        h[2] == 'G')
        r.end -= 128;
    // APEv2/APEv1 footer: its size counts the items and the footer, and a
    // header before them when flagged.
    if (r.end - r.begin >= 32 && readAt(f, r.end - 32, h, 32) &&
        std::memcmp(h, "APETAGEX", 8) == 0) {
        const long tagSize = long(littleEndian32(h + 12)) + ((h[23] & 0x80) ? 32 : 0);
        if (tagSize >= 32 && tagSize <= r.end - r.begin)
            r.end -= tagSize;
    }
    r.begin = std::min(r.begin, r.end);
    return r;
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
        if (encoding != MPG123_ENC_FLOAT_32 || channels < 1 || channels > 2 || rate <= 0)
            return false;
        // Parts joined into one file may change rate or channel count: the
        // whole file is decoded in its first frame's format (libmpg123
        // resamples and mixes), so that nothing plays at the wrong speed.
        mpg123_format_none(h_);
        return mpg123_format(h_, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO,
                             MPG123_ENC_FLOAT_32) == MPG123_OK;
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
            if (rc == MPG123_NEW_FORMAT && !sameFormat())
                break; // the table allows one format: never read frames as another
            if (rc == MPG123_NEW_FORMAT || (rc == MPG123_OK && done > 0))
                continue;
            break; // done, an error, or no progress
        }
        return total;
    }
    bool rewind() override { return mpg123_seek(h_, 0, SEEK_SET) >= 0; }

private:
    bool sameFormat() {
        long rate = 0;
        int channels = 0, encoding = 0;
        return mpg123_getformat(h_, &rate, &channels, &encoding) == MPG123_OK && rate == rate_ &&
               channels == channels_ && encoding == MPG123_ENC_FLOAT_32;
    }

    mpg123_handle* h_;
    int rate_ = 0, channels_ = 0;
};

} // namespace

std::unique_ptr<Decoder> openMpeg(const std::string& path, bool mono, int& error) {
    const File file = openFile(path.c_str());
    std::FILE* const f = file.get();
    if (!f) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    long size = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        size = std::ftell(f);
    const DataRange data = size > 0 ? audioData(f, size) : DataRange{};
    std::vector<unsigned char> head(
        static_cast<size_t>(std::min<long>(data.end - data.begin, 65536)));
    const bool read = readAt(f, data.begin, head.data(), head.size());
    if (head.empty() || !read || !looksLikeMpeg(head, static_cast<size_t>(data.end - data.begin))) {
        error = BASS_ERROR_FORMAT;
        return nullptr;
    }

    static const bool initialised = mpg123_init() == MPG123_OK;
    (void)initialised;
    std::unique_ptr<mpg123_handle, decltype(&mpg123_delete)> owned(mpg123_new(nullptr, nullptr),
                                                                   &mpg123_delete);
    if (!owned) {
        error = BASS_ERROR_MEMORY;
        return nullptr;
    }
    mpg123_handle* const h = owned.get();
    auto decoder = std::make_unique<MpegDecoder>(h);
    owned.release(); // the decoder owns it now
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
