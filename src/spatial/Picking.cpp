#include "spatial/Picking.h"

#include <algorithm>

bool PressHits(const TMarkerBox& box, int x, int y) {
    return x >= box.left && x <= box.left + box.width && y >= box.top && y <= box.top + box.height;
}

bool HoverHits(const TMarkerBox& box, int x, int y) {
    return x >= box.left && x < box.left + box.width && y >= box.top && y < box.top + box.height;
}

TBandRect NormalisedBand(int pressX, int pressY, int x, int y) {
    return {std::min(pressX, x), std::min(pressY, y), std::max(pressX, x), std::max(pressY, y)};
}

bool BandTouches(const TMarkerBox& box, const TBandRect& band) {
    const int left = std::max(box.left, band.left);
    const int right = std::min(box.left + box.width, band.right);
    const int top = std::max(box.top, band.top);
    const int bottom = std::min(box.top + box.height, band.bottom);
    return left < right && top < bottom;
}

TPick PickMarker(const std::vector<int>& order, int x, int y,
                 const std::function<bool(int)>& loaded, const std::function<bool(int)>& selected,
                 const std::function<TMarkerBox(int)>& box) {
    for (const bool wantSelected : {true, false}) {
        for (const int m : order) {
            if (loaded(m) && selected(m) == wantSelected && PressHits(box(m), x, y))
                return {m, wantSelected};
        }
    }
    return {};
}
