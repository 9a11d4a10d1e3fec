// The table of the 32 channel slots and the selection state shared by the
// grid, the plane views and every command that acts on selected channels.
// The variables (Sources, GridRangeSelecting, GridAnchorRow, BandSelecting,
// BandHits) are program state, with their defaults in app/ProgramState.h.
#pragma once

#include "app/ProgramState.h"
#include "channels/SourceTable.h"

// Whether channel n counts as selected right now: the persistent flag,
// inverted inside a grid range being dragged, or joined with the rubber band's
// hits. currentRow is the grid's current row.
bool ChannelSelectedNow(int n, int currentRow);

// The whole program state back to its defaults: the name tests have used.
inline void ResetChannelTable() {
    ResetProgramState();
}
