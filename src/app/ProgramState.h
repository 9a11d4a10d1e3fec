// The program's module state in one place, each value with its default beside
// it: the channel table and selection gestures, the spatial editor's values,
// the marker tables and the channel grid's per-row values. The window's
// creation starts from the defaults, and so does every test fixture: a reset is
// the one assignment in ResetProgramState.
//
// The code reads and writes the values by their own names (Sources,
// UnitsPerStep, MarkerOrder, ...), which refer to the members below.
#pragma once

#include <vector>

#include "audiolib.h"
#include "channels/SourceTable.h"
#include "spatial/Coordinates.h"
#include "spatial/Picking.h"

class THintWindow;
class TMarker;
class TViewImage;

struct TProgramState {
    // The channel table, and the selection gestures in progress.
    TChannelArray<TSource> Sources;
    bool GridRangeSelecting = false;            // a mouse range selection in the grid
    int GridAnchorRow = 0;                      // the row that range is anchored at
    bool BandSelecting = false;                 // a rubber band in a plane view
    TChannelArray<bool> BandHits;               // the channels the band touches
    TChannelArray<TChannelLevel> ChannelLevels; // gain and mute from the remote control

    // The scale between scroll-bar steps, metres and view pixels. The window's
    // creation derives the pixel values from its views (250 pixels wide).
    float UnitsPerStep = coords::DefaultUnitsPerStep; // metres per scroll-bar step
    float PixelsPerStep = 2.5f;                       // view pixels per step (250 / 100)
    int ViewCentre = 125;      // the origin's pixel on both axes of both views
    bool UpdatingBars = false; // the program is setting bar positions: move no channel
    BASS_3DVECTOR LastPosition{0.f, 0.f, 0.f}; // what the coordinate labels show
    bool KeyMoveRaised = false;                // the selection was raised by the first arrow key

    // The gestures of the plane views.
    bool MarkerDragging = false;    // a left press on a marker drags the selection
    TViewImage* DragView = nullptr; // the view a marker drag started in
    int PressX = 0;                 // the last press in a plane view (any button)
    int PressY = 0;
    bool MovedSincePress = false;   // the pointer has left the press point since
    bool PressedOnSelected = false; // the last left press hit an already selected marker
    TBandRect BandRect;             // the rubber band as last shown

    // Each channel's two markers, owned by the window's views.
    TChannelArray<TMarker*> FrontMarkers; // on the front view (X-Y)
    TChannelArray<TMarker*> TopMarkers;   // on the top view (X-Z)
    // Channel numbers, front-most marker first: decides which marker a click hits.
    std::vector<int> MarkerOrder;
    int MarkerHalfWidth = 0;
    int MarkerHalfHeight = 0;

    // The channel grid. Per row: the pixel width of its file name plus 4, or 0
    // while the slot is empty.
    TChannelArray<int> NameWidth;
    int LastGridKey = 0; // the last key that reached the grid (a Qt key code)
    // The one window that shows a channel's file name beside the pointer,
    // owned by the main window.
    THintWindow* FileHintWindow = nullptr;
};

extern TProgramState ProgramState;

// Every value back to its default, as at program start.
void ResetProgramState();

// The values by their own names.
constinit inline TChannelArray<TSource>& Sources = ProgramState.Sources;
constinit inline bool& GridRangeSelecting = ProgramState.GridRangeSelecting;
constinit inline int& GridAnchorRow = ProgramState.GridAnchorRow;
constinit inline bool& BandSelecting = ProgramState.BandSelecting;
constinit inline TChannelArray<bool>& BandHits = ProgramState.BandHits;
constinit inline TChannelArray<TChannelLevel>& ChannelLevels = ProgramState.ChannelLevels;
constinit inline float& UnitsPerStep = ProgramState.UnitsPerStep;
constinit inline float& PixelsPerStep = ProgramState.PixelsPerStep;
constinit inline int& ViewCentre = ProgramState.ViewCentre;
constinit inline bool& UpdatingBars = ProgramState.UpdatingBars;
constinit inline BASS_3DVECTOR& LastPosition = ProgramState.LastPosition;
constinit inline bool& KeyMoveRaised = ProgramState.KeyMoveRaised;
constinit inline bool& MarkerDragging = ProgramState.MarkerDragging;
constinit inline TViewImage*& DragView = ProgramState.DragView;
constinit inline int& PressX = ProgramState.PressX;
constinit inline int& PressY = ProgramState.PressY;
constinit inline bool& MovedSincePress = ProgramState.MovedSincePress;
constinit inline bool& PressedOnSelected = ProgramState.PressedOnSelected;
constinit inline TBandRect& BandRect = ProgramState.BandRect;
constinit inline TChannelArray<TMarker*>& FrontMarkers = ProgramState.FrontMarkers;
constinit inline TChannelArray<TMarker*>& TopMarkers = ProgramState.TopMarkers;
constinit inline std::vector<int>& MarkerOrder = ProgramState.MarkerOrder;
constinit inline int& MarkerHalfWidth = ProgramState.MarkerHalfWidth;
constinit inline int& MarkerHalfHeight = ProgramState.MarkerHalfHeight;
constinit inline TChannelArray<int>& NameWidth = ProgramState.NameWidth;
constinit inline int& LastGridKey = ProgramState.LastGridKey;
constinit inline THintWindow*& FileHintWindow = ProgramState.FileHintWindow;
