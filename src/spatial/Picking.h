// Which marker a point in a plane view hits, and which markers a rubber band
// touches. Pure rules over marker rectangles in view pixels.
#pragma once

#include <functional>
#include <vector>

// A marker's rectangle: its top-left corner and its size.
struct TMarkerBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// A rectangle by its edges; right and bottom are excluded.
struct TBandRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// A press hits a marker on its right and bottom lines as well.
bool PressHits(const TMarkerBox& box, int x, int y);
// Hovering treats the right and bottom lines as outside.
bool HoverHits(const TMarkerBox& box, int x, int y);
// The band spanned by the press point and the pointer, left <= right, top <= bottom.
TBandRect NormalisedBand(int pressX, int pressY, int x, int y);
// The marker and the band overlap in at least one pixel; a band of zero width
// or height touches nothing.
bool BandTouches(const TMarkerBox& box, const TBandRect& band);

struct TPick {
    int channel = 0; // 0: no marker hit
    bool wasSelected = false;
};

// The marker a press at (x, y) lands on. Markers of loaded, selected channels
// win over the others even when those lie in front; among markers of one kind
// the one nearer the front of order wins. Empty slots are never hit.
TPick PickMarker(const std::vector<int>& order, int x, int y,
                 const std::function<bool(int)>& loaded, const std::function<bool(int)>& selected,
                 const std::function<TMarkerBox(int)>& box);
