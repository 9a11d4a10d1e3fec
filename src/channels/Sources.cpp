#include "channels/Sources.h"

#include "channels/ChannelLevels.h"

#include <algorithm>
#include <stdexcept>

TChannelArray<TSource> Sources;
bool GridRangeSelecting = false;
int GridAnchorRow = 0;
bool BandSelecting = false;
TChannelArray<bool> BandHits;

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

void ResetChannelTable() {
    Sources.reset();
    BandHits.reset();
    ChannelLevels.reset();
    GridRangeSelecting = false;
    GridAnchorRow = 0;
    BandSelecting = false;
}
