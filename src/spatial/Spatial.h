// The spatial editor's shared values: the scale between scroll-bar steps,
// metres and view pixels, and the gesture flags of the plane views.
#pragma once

#include "audiolib.h"

class TViewImage;

extern float UnitsPerStep;         // metres per scroll-bar step: the float 0.05
extern float PixelsPerStep;        // view pixels per step (250 / 100 = 2.5)
extern int ViewCentre;             // the origin's pixel on both axes of both views
extern bool UpdatingBars;          // the program is setting bar positions: move no channel
extern BASS_3DVECTOR LastPosition; // what the coordinate labels show
extern bool KeyMoveRaised;         // the selection was raised by the first arrow key
extern bool MarkerDragging;        // a left press on a marker drags the selection
extern TViewImage* DragView;       // the view a marker drag started in
