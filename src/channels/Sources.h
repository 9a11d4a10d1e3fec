// The table of the 32 channel slots and the selection state shared by the
// grid, the plane views and every command that acts on selected channels.
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

extern TChannelArray<TSource> Sources;

// Selection gestures in progress.
extern bool GridRangeSelecting; // a mouse range selection in the grid
extern int GridAnchorRow;       // the row that range is anchored at
extern bool BandSelecting;      // a rubber band in a plane view
extern TChannelArray<bool> BandHits;

// Whether channel n counts as selected right now: the persistent flag,
// inverted inside a grid range being dragged, or joined with the rubber band's
// hits. currentRow is the grid's current row.
bool ChannelSelectedNow(int n, int currentRow);

// Back to the state at program start (every slot empty, nothing selected, no
// gesture in progress). The window's creation then selects channel 1.
void ResetChannelTable();
