// Each channel's two markers, one per plane view, and their front-to-back order.
#pragma once

#include <functional>
#include <vector>

#include "channels/Sources.h"

// FrontMarkers, TopMarkers, MarkerOrder, MarkerHalfWidth and MarkerHalfHeight
// are program state (app/ProgramState.h).

// Puts both markers of channel n where position p shows it.
void PlaceChannelMarkers(int n, const BASS_3DVECTOR& p);

// Brings both markers of channel n to the front and n to the head of MarkerOrder.
void RaiseChannelMarkers(int n);

// Moves the channels for which raise holds to the head of order, keeping their
// relative order, and returns them in the order their markers must be raised
// (the last one raised ends up front-most).
std::vector<int> RaiseSelectedInOrder(std::vector<int>& order,
                                      const std::function<bool(int)>& raise);
