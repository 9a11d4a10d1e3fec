#include "levels/MeterBallistics.h"

#include <algorithm>
#include <cmath>

double LevelDecibels(uint32_t side) {
    if (side == 0)
        return -INFINITY;
    return 20.0 * std::log10(static_cast<double>(std::min<uint32_t>(side, 32768)) / 32768.0);
}

uint32_t LouderSide(uint32_t level) {
    return std::max(level & 0xffffu, level >> 16);
}

bool LevelClips(uint32_t side) {
    // 16-bit audio reaches 32767 at most upwards: that is full scale too.
    return side >= 32767;
}

void TMeterBallistics::Feed(uint32_t level, double now) {
    const uint32_t side = LouderSide(level);
    const double dt = started_ ? std::max(0.0, now - last_) : 0.0;
    started_ = true;
    last_ = now;
    peakDb_ = LevelDecibels(side);
    const double shown = std::clamp(peakDb_, FloorDb, 0.0);
    barDb_ = std::max(shown, std::max(FloorDb, barDb_ - FallDbPerSecond * dt));
    if (shown >= holdDb_) {
        holdDb_ = shown;
        holdSince_ = now;
    } else if (now - holdSince_ > HoldSeconds) {
        holdDb_ = std::max(shown, std::max(FloorDb, holdDb_ - FallDbPerSecond * dt));
    }
    if (LevelClips(side))
        clipped_ = true;
}
