#include "export/ExportSink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sndfile.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "files/FileError.h"
#include "playlist/PathRules.h"

bool WriteAll(int fd, const void* data, size_t size, std::string& error) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = FileErrorText(n < 0 ? errno : ENOSPC);
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

namespace {

// The speakers of a layout in the device's channel order, which is also the
// order of WAVE_FORMAT_EXTENSIBLE's mask bits and FLAC's channel assignment
// (FLAC calls 5.1's side speakers its surround pair). Empty for stereo,
// binaural and AmbiX: their files carry no speaker map.
std::vector<int> SpeakerMap(TExportLayout layout) {
    switch (layout) {
    case TExportLayout::Quad:
        return {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT, SF_CHANNEL_MAP_REAR_LEFT,
                SF_CHANNEL_MAP_REAR_RIGHT};
    case TExportLayout::Surround51:
        return {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT,     SF_CHANNEL_MAP_CENTER,
                SF_CHANNEL_MAP_LFE,  SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
    case TExportLayout::Surround71:
        return {SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,     SF_CHANNEL_MAP_CENTER,
                SF_CHANNEL_MAP_LFE,       SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT,
                SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
    default:
        return {};
    }
}

// Sets the channel mask of the WAVE_FORMAT_EXTENSIBLE header at the start of
// fd to 0.
bool ClearChannelMask(int fd, std::string& error) {
    char head[256];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n < 0) {
        error = FileErrorText(errno);
        return false;
    }
    const std::string_view text(head, static_cast<size_t>(n));
    const size_t fmt = text.find("fmt ", 12);
    // The chunk's size (4), then tag, channels, rate, bytes per second,
    // block size, bits, extra size, valid bits (20 bytes), then the mask.
    const size_t mask = fmt + 8 + 20;
    if (fmt == std::string_view::npos || mask + 4 > text.size() ||
        static_cast<unsigned char>(text[fmt + 8]) != 0xfe)
        return true;
    const char zero[4] = {};
    if (::pwrite(fd, zero, sizeof zero, static_cast<off_t>(mask)) != sizeof zero) {
        error = FileErrorText(errno ? errno : ENOSPC);
        return false;
    }
    return true;
}

// WAV, FLAC and Ogg Vorbis through libsndfile.
class TSndfileSink : public TExportSink {
public:
    TSndfileSink(const TExportOptions& o, const std::atomic<bool>* cancel,
                 const TTranslate& translate)
        : translate_(translate), file_(o.Output, {.Tag = "export",
                                                  .ReplaceExisting = o.Force,
                                                  .WaitForReader = true,
                                                  .Cancel = cancel}) {
        if (!file_.ok()) {
            exists_ = file_.error() == EEXIST;
            error_ = exists_
                         ? translate("ExportCommand", "既にあります。--force (-f) で置き換えます")
                         : FileErrorText(file_.error());
            return;
        }
        const std::vector<int> speakers = SpeakerMap(o.Layout);
        SF_INFO info{};
        info.samplerate = o.Rate;
        info.channels = ExportLayoutChannels(o.Layout);
        info.format = SndfileFormatOf(o.Format);
        // A WAV above two channels is WAVE_FORMAT_EXTENSIBLE, with the
        // layout's mask (AmbiX's is 0: no speakers).
        if (info.channels > 2 && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV) {
            info.format = SF_FORMAT_WAVEX | (info.format & SF_FORMAT_SUBMASK);
            patchMask_ = WavChannelMask(o.Layout) == 0;
        }
        // libsndfile cannot write a WAV file into a pipe (it would go back to
        // fill in the length): the header goes first, saying the length is
        // unknown, as other streaming programs write it, then the samples.
        if (IsWavFormat(o.Format) && ::lseek(file_.fd(), 0, SEEK_CUR) < 0 && errno == ESPIPE) {
            const std::string header = StreamingWavHeader(o.Format, o.Rate, o.Layout);
            if (!WriteAll(file_.fd(), header.data(), header.size(), error_))
                return;
            info.format = SF_FORMAT_RAW | SF_ENDIAN_LITTLE | (info.format & SF_FORMAT_SUBMASK);
        }
        // libsndfile closes a descriptor of its own; the file's stays for the
        // writer's commit.
        const int fd = ::dup(file_.fd());
        sf_ = fd >= 0 ? sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE) : nullptr;
        if (!sf_) { // a descriptor handed over is libsndfile's to close
            error_ = fd >= 0 ? sf_strerror(nullptr) : FileErrorText(errno);
            return;
        }
        if (!speakers.empty())
            sf_command(sf_, SFC_SET_CHANNEL_MAP_INFO, const_cast<int*>(speakers.data()),
                       static_cast<int>(speakers.size() * sizeof(int)));
        // Full scale stays full scale instead of wrapping round.
        sf_command(sf_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        // FLAC's level 2 of 8: a file about 1 % larger than the default level
        // for a third of the encoder's time, which would otherwise cost more
        // than all the measuring.
        if (o.Format == TExportFormat::Flac16 || o.Format == TExportFormat::Flac24) {
            double level = 0.25;
            sf_command(sf_, SFC_SET_COMPRESSION_LEVEL, &level, sizeof level);
        }
        if (o.Format == TExportFormat::Ogg) {
            double quality = std::clamp(o.OggQuality, 0, 10) / 10.0;
            sf_command(sf_, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
        }
    }
    ~TSndfileSink() override {
        if (sf_)
            sf_close(sf_);
    }
    TSndfileSink(const TSndfileSink&) = delete;
    TSndfileSink& operator=(const TSndfileSink&) = delete;

    bool ok() const { return sf_ != nullptr && error_.empty(); }

    bool Write(const float* frames, size_t count) override {
        errno = 0;
        const auto n = static_cast<sf_count_t>(count);
        if (sf_writef_float(sf_, frames, n) == n)
            return true;
        error_ = errno ? FileErrorText(errno) : sf_strerror(sf_);
        return false;
    }

    // The encoders write their last blocks while closing, so a full disk may
    // show only here or at the sync.
    bool Finish() override {
        const TTranslate& translate = translate_;
        const int result = sf_close(sf_);
        sf_ = nullptr;
        if (result != 0) {
            error_ = sf_error_number(result);
            return false;
        }
        struct stat st {};
        if (::fstat(file_.fd(), &st) != 0) {
            error_ = FileErrorText(errno);
            return false;
        }
        if (S_ISREG(st.st_mode) && st.st_size == 0) {
            error_ = FileErrorText(ENOSPC);
            return false;
        }
        // libsndfile gives every four-channel WAVEX the quad mask.
        if (patchMask_ && S_ISREG(st.st_mode) && !ClearChannelMask(file_.fd(), error_))
            return false;
        if (!file_.commit()) {
            exists_ = file_.error() == EEXIST;
            error_ = exists_ ? translate("ExportCommand",
                                         "書き出しの間にできました。--force (-f) で置き換えます")
                             : FileErrorText(file_.error());
            return false;
        }
        return true;
    }

    const TAtomicFile& File() const override { return file_; }

private:
    TTranslate translate_;
    TAtomicFile file_;
    SNDFILE* sf_ = nullptr;
    bool patchMask_ = false;
};

} // namespace

std::unique_ptr<TExportSink> MakeExportSink(const TExportOptions& o, std::string& error,
                                            const std::atomic<bool>* cancel,
                                            const TTranslate& translate, bool* exists) {
    if (const std::string why = LayoutFormatError(o.Layout, o.Format, translate); !why.empty()) {
        error = why;
        return nullptr;
    }
    auto sink = std::make_unique<TSndfileSink>(o, cancel, translate);
    if (!sink->ok()) {
        error = Filled(translate("ExportCommand", "%1 に書き込めません: %2"),
                       {o.Output, sink->Error()});
        if (exists)
            *exists = sink->Exists();
        return nullptr;
    }
    return sink;
}
