// The spatial editor's shared values: the scale between scroll-bar steps,
// metres and view pixels, and the gesture flags of the plane views.
#pragma once

#include "audiolib.h"
#include "spatial/Picking.h"

class TViewImage;

extern float UnitsPerStep;         // metres per scroll-bar step: the float 0.05
extern float PixelsPerStep;        // view pixels per step (250 / 100 = 2.5)
extern int ViewCentre;             // the origin's pixel on both axes of both views
extern bool UpdatingBars;          // the program is setting bar positions: move no channel
extern BASS_3DVECTOR LastPosition; // what the coordinate labels show
extern bool KeyMoveRaised;         // the selection was raised by the first arrow key
extern bool MarkerDragging;        // a left press on a marker drags the selection
extern TViewImage* DragView;       // the view a marker drag started in
// The last press in a plane view (any button) and what followed it.
extern int PressX;
extern int PressY;
extern bool MovedSincePress;   // the pointer has left the press point since
extern bool PressedOnSelected; // the last left press hit an already selected marker
extern TBandRect BandRect;     // the rubber band as last shown
