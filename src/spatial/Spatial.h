// The spatial editor's shared values: the scale between scroll-bar steps,
// metres and view pixels, and the gesture flags of the plane views
// (UnitsPerStep, PixelsPerStep, ViewCentre, UpdatingBars, LastPosition,
// KeyMoveRaised, MarkerDragging, DragView, PressX, PressY, MovedSincePress,
// PressedOnSelected, BandRect). They are program state, with their defaults in
// app/ProgramState.h.
#pragma once

#include "app/ProgramState.h"
