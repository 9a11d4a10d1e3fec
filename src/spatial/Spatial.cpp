#include "spatial/Spatial.h"

float UnitsPerStep = 0.f;
float PixelsPerStep = 0.f;
int ViewCentre = 0;
bool UpdatingBars = false;
BASS_3DVECTOR LastPosition{0.f, 0.f, 0.f};
bool KeyMoveRaised = false;
bool MarkerDragging = false;
TViewImage* DragView = nullptr;
int PressX = 0;
int PressY = 0;
bool MovedSincePress = false;
bool PressedOnSelected = false;
TBandRect BandRect;
