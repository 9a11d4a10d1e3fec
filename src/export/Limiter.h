// The one limiter after the mix, for every layout: the audio device renders
// without its own (whose look-ahead would delay the device's render against
// the sound the exporter encodes itself, and which says nothing about what it
// did). When a frame's largest sample would pass the ceiling, one gain brings
// every channel down together (the directions stay), and it recovers towards
// 1 with the release time constant. No look-ahead, so no latency; frames that
// need nothing are left exactly as they are. It counts what it did, for the
// summary.
#pragma once

#include <cstddef>

class TOutputLimiter {
public:
    TOutputLimiter(int channels, int rate, float ceiling = 1.0f, double releaseSeconds = 0.1);
    void Process(float* interleaved, size_t frames);
    float Gain() const { return static_cast<float>(gain_); }

    // The deepest reduction so far in dB (0 or less), and the frames it
    // changed out of all it saw.
    double DeepestDb() const;
    size_t LimitedFrames() const { return limited_; }
    size_t Frames() const { return frames_; }

private:
    size_t channels_;
    float ceiling_;
    double release_;
    double gain_ = 1.0; // double: in float the recovery would stall short of 1
    double lowest_ = 1.0;
    size_t limited_ = 0, frames_ = 0;
};
