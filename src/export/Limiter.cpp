#include "export/Limiter.h"

#include <algorithm>
#include <cmath>

TOutputLimiter::TOutputLimiter(int channels, int rate, float ceiling, double releaseSeconds)
    : channels_(static_cast<size_t>(std::max(channels, 1))), ceiling_(ceiling),
      release_(1 - std::exp(-1 / (std::max(releaseSeconds, 1e-4) * std::max(rate, 1)))) {}

double TOutputLimiter::DeepestDb() const {
    return 20 * std::log10(std::max(lowest_, 1e-9));
}

void TOutputLimiter::Process(float* interleaved, size_t frames) {
    frames_ += frames;
    for (size_t i = 0; i < frames; ++i) {
        float* frame = interleaved + i * channels_;
        if (gain_ < 1.0) {
            gain_ += (1.0 - gain_) * release_;
            if (gain_ > 0.999999) // the rest would take for ever and change nothing
                gain_ = 1.0;
        }
        float peak = 0;
        for (size_t c = 0; c < channels_; ++c)
            peak = std::max(peak, std::fabs(frame[c]));
        if (peak * gain_ > ceiling_)
            gain_ = ceiling_ / peak;
        if (gain_ < 1.0) {
            const auto g = static_cast<float>(gain_);
            for (size_t c = 0; c < channels_; ++c)
                frame[c] *= g;
            ++limited_;
            lowest_ = std::min(lowest_, gain_);
        }
    }
}
