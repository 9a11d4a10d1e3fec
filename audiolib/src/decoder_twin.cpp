// Decode-only twins of channels: the same file read directly, at the device's
// rate, for a renderer that places the dry sound itself.
#include "error.h"
#include "internal.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace audiolib {

namespace {

class Twin {
public:
    Twin(std::unique_ptr<Decoder> decoder, int chans, bool loop, int outRate)
        : decoder_(std::move(decoder)), fileChans_(decoder_->channels()), chans_(chans),
          loop_(loop), step_(static_cast<double>(decoder_->rate()) / outRate) {}

    // Frames at the output rate; fewer than asked only at the end.
    size_t read(float* out, size_t frames) {
        std::lock_guard lock(mx_);
        if (step_ == 1.0)
            return pull(out, frames);
        const size_t c = static_cast<size_t>(chans_);
        size_t done = 0;
        while (done < frames) {
            // Linear interpolation between input frames at_ and at_ + 1.
            auto at = static_cast<size_t>(pos_);
            if (at + 1 >= have_ && !refill())
                break;
            at = static_cast<size_t>(pos_);
            const float f = static_cast<float>(pos_ - static_cast<double>(at));
            for (size_t k = 0; k < c; ++k)
                out[done * c + k] = in_[at * c + k] * (1.f - f) + in_[(at + 1) * c + k] * f;
            pos_ += step_;
            ++done;
        }
        return done;
    }

private:
    // Input frames as the channel plays them, looping where it loops.
    size_t pull(float* out, size_t frames) {
        const size_t c = static_cast<size_t>(chans_);
        size_t got = 0;
        int emptyPasses = 0;
        while (got < frames && !ended_) {
            const size_t n = readPlayedFrames(*decoder_, fileChans_, chans_, scratch_,
                                              out + got * c, frames - got);
            got += n;
            if (n > 0) {
                emptyPasses = 0;
                continue;
            }
            if (!loop_ || ++emptyPasses > 1 || !decoder_->rewind())
                ended_ = true;
        }
        return got;
    }

    // Drops the input frames already passed and reads more. False when none
    // is left to interpolate towards.
    bool refill() {
        const size_t c = static_cast<size_t>(chans_);
        const auto passed = std::min(have_, static_cast<size_t>(pos_));
        in_.erase(in_.begin(), in_.begin() + static_cast<long>(passed * c));
        have_ -= passed;
        pos_ -= static_cast<double>(passed);
        constexpr size_t Chunk = 1024;
        in_.resize((have_ + Chunk) * c);
        const size_t n = pull(in_.data() + have_ * c, Chunk);
        have_ += n;
        in_.resize(have_ * c);
        return static_cast<size_t>(pos_) + 1 < have_;
    }

    std::mutex mx_;
    std::unique_ptr<Decoder> decoder_;
    int fileChans_, chans_;
    bool loop_;
    double step_;
    bool ended_ = false;
    std::vector<float> scratch_, in_;
    size_t have_ = 0;
    double pos_ = 0;
};

std::mutex twinsMx;
std::map<DWORD, std::shared_ptr<Twin>>& twins() {
    static std::map<DWORD, std::shared_ptr<Twin>> table;
    return table;
}

std::shared_ptr<Twin> findTwin(DWORD handle) {
    std::lock_guard lock(twinsMx);
    const auto it = twins().find(handle);
    return it == twins().end() ? nullptr : it->second;
}

} // namespace

} // namespace audiolib

using namespace audiolib;

extern "C" {

AUDIOLIB_API DWORD AUDIOLIB_DecoderOpen(DWORD channel) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        auto& L = lib();
        std::string path;
        DWORD flags = 0;
        bool music = false;
        int chans = 1, rate = 0;
        {
            Held lock(L.mx);
            if (!L.open())
                return fail(BASS_ERROR_INIT, 0u);
            const auto ch = isChannelHandle(channel) ? findChannel(channel, lock) : nullptr;
            if (!ch)
                return fail(BASS_ERROR_HANDLE, 0u);
            path = ch->path;
            flags = ch->flags;
            music = ch->music;
            chans = ch->chans;
            rate = L.freq;
        }
        // Opened outside the library lock, as the channel was.
        std::unique_ptr<Decoder> decoder;
        if (music) {
            int error = BASS_ERROR_FORMAT;
            decoder = openModule(path, rate, (flags & BASS_SAMPLE_3D) != 0,
                                 (flags & BASS_MUSIC_RAMP) != 0, error);
            if (!decoder)
                return fail(error, 0u);
        } else {
            decoder = openStreamDecoder(path, (flags & BASS_SAMPLE_MONO) != 0);
            if (!decoder)
                return 0u;
        }
        auto twin = std::make_shared<Twin>(std::move(decoder), chans,
                                           (flags & BASS_SAMPLE_LOOP) != 0, rate);
        const DWORD handle = newHandle(Kind::Decoder);
        std::lock_guard lock(twinsMx);
        twins()[handle] = std::move(twin);
        setError(BASS_OK);
        return handle;
    });
}

AUDIOLIB_API DWORD AUDIOLIB_DecoderRead(DWORD decoder, float* out, DWORD frames) {
    return guarded<DWORD>(static_cast<DWORD>(-1), [&]() -> DWORD {
        const auto twin = findTwin(decoder);
        if (!twin)
            return fail(BASS_ERROR_HANDLE, static_cast<DWORD>(-1));
        if (!out)
            return fail(BASS_ERROR_ILLPARAM, static_cast<DWORD>(-1));
        setError(BASS_OK);
        return static_cast<DWORD>(twin->read(out, frames));
    });
}

AUDIOLIB_API BOOL AUDIOLIB_DecoderFree(DWORD decoder) {
    return guarded<BOOL>(0, [&]() -> BOOL {
        std::shared_ptr<Twin> twin; // closed outside the table's lock
        {
            std::lock_guard lock(twinsMx);
            const auto it = twins().find(decoder);
            if (it == twins().end())
                return fail(BASS_ERROR_HANDLE, 0);
            twin = std::move(it->second);
            twins().erase(it);
        }
        setError(BASS_OK);
        return 1;
    });
}

} // extern "C"
