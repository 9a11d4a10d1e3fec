// The types of the channel table: one slot, and an array indexed by channel
// number. The table itself is program state (app/ProgramState.h).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "audiolib.h"

constexpr int ChannelCount = 32;

// One channel slot. Handle, FxHandle, IsStereo and FileName describe the slot
// only while Loaded is set; Position and Selected live on when it is freed.
struct TSource {
    uint32_t Handle = 0;   // stream or music handle
    bool IsStereo = false; // more than one audio channel: moved by pan and volume
    BASS_3DVECTOR Position{0.f, 0.f, 0.f};
    bool Loaded = false;
    uint32_t FxHandle = 0;   // the reverb effect placed on the channel
    int32_t DragOffsetX = 0; // from the marker's top-left corner to the grab point
    int32_t DragOffsetY = 0;
    std::string FileName; // the path as it was handed to the load
    bool Selected = false;
};

// A channel's gain and mute, set by the remote control and kept across loads:
// the volume the program sets anywhere is multiplied by the gain, and a muted
// channel plays at volume 0 without its state word changing.
struct TChannelLevel {
    float Gain = 1.f; // 0..1
    bool Muted = false;
};

static_assert(sizeof(BASS_3DVECTOR) == 3 * sizeof(float), "Position is handed to the library");

// An array indexed by channel number 1..32. Any other number is a programming
// error and throws std::out_of_range instead of touching memory.
template <typename T> class TChannelArray {
public:
    T& operator[](int n) { return items_.at(index(n)); }
    const T& operator[](int n) const { return items_.at(index(n)); }
    void reset() { items_ = {}; }

private:
    static size_t index(int n);
    std::array<T, ChannelCount> items_{};
};

[[noreturn]] void ThrowChannelOutOfRange(int n);

template <typename T> size_t TChannelArray<T>::index(int n) {
    if (n < 1 || n > ChannelCount)
        ThrowChannelOutOfRange(n);
    return static_cast<size_t>(n - 1);
}
