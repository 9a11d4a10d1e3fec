#include "channels/Sources.h"

#include <algorithm>
#include <stdexcept>

void ThrowChannelOutOfRange(int n) {
    throw std::out_of_range("channel number " + std::to_string(n) + " is outside 1.." +
                            std::to_string(ChannelCount));
}

bool ChannelSelectedNow(int n, int currentRow) {
    const bool s = Sources[n].Selected;
    if (GridRangeSelecting) {
        const int lo = std::min(GridAnchorRow, currentRow);
        const int hi = std::max(GridAnchorRow, currentRow);
        return (lo <= n && n <= hi) ? !s : s;
    }
    if (BandSelecting)
        return s || BandHits[n];
    return s;
}
