// How the channel grid's mouse, keys and wheel change the selection flags of
// the channel table. The grid moves its current row itself; these rules only
// decide which channels end up selected.
#pragma once

// The range a press on a channel row starts, as it stands when the button is
// released: from the anchor to the current row (an anchor of 0, before the
// first press, counts as row 1). Toggling inverts every channel in it;
// otherwise every channel in it becomes selected.
void CommitGridRange(int anchorRow, int currentRow, bool toggle);

// Clears every channel's selection but n's.
void SelectOnlyChannel(int n);

void ToggleChannel(int n);

// An arrow key on the grid from row (clamped to 1..32): Ctrl leaves the
// selection alone; Shift inverts the row moved onto, and also the row left
// when the previous key was the opposite arrow; neither selects the row moved
// onto alone. Returns the row moved onto, one up or down within 1..32.
int ArrowKeySelection(bool down, bool ctrl, bool shift, int row, bool lastWasOppositeArrow);
