// Each channel's two markers, one per plane view, and their front-to-back order.
#pragma once

#include <vector>

#include "channels/Sources.h"

class TMarker;

extern TChannelArray<TMarker*> FrontMarkers; // on the front view (X-Y)
extern TChannelArray<TMarker*> TopMarkers;   // on the top view (X-Z)
// Channel numbers, front-most marker first: decides which marker a click hits.
extern std::vector<int> MarkerOrder;
extern int MarkerHalfWidth;
extern int MarkerHalfHeight;

// Brings both markers of channel n to the front and n to the head of MarkerOrder.
void RaiseChannelMarkers(int n);
