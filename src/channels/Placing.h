// One way to place a channel's source: the position goes into the channel
// table and to the audio library, and a plain stereo channel, which the
// library does not position, imitates its place by volume and pan.
//
// Every move goes through PlaceSource: loading, the playlist reader, the axis
// bars (and the keys and wheel that drive them), dragging in the plane views,
// and moves that arrive from outside the window. It needs no window: it
// touches only the channel table and the audio library. Markers, bars and
// labels are the caller's business, since each path shows a move its own way.
#pragma once

#include <optional>

#include "audiolib.h"
#include "channels/SourceTable.h"

// How a placement treats the channel's volume and pan. The paths differ on
// purpose; each factory names the path it belongs to.
struct TPanRule {
    enum class TKind {
        Keep,     // stereo: volume from distance, pan unchanged
        FromX,    // stereo: volume from distance, pan from X
        FromStep, // stereo: volume from distance, pan from a fractional X step
        OnLoad,   // every channel: pan from X, volume unchanged
    };
    TKind Kind = TKind::Keep;
    float Step = 0.f; // FromStep only

    // The bars, the arrow keys and the wheel: X is heard through the pan a
    // stereo channel got when it was last dragged or loaded.
    static constexpr TPanRule Keep() { return {TKind::Keep, 0.f}; }
    // A stereo channel read back from a playlist sounds where it was saved.
    static constexpr TPanRule FromX() { return {TKind::FromX, 0.f}; }
    // Dragging: the pan follows the marker's centre in fractional steps,
    // which is not quite X / UnitsPerStep (the float 0.05 is a hair above).
    static constexpr TPanRule FromStep(float step) { return {TKind::FromStep, step}; }
    // A channel just opened: whether it is stereo is not known yet, so every
    // channel gets the pan of its slot's X and keeps its volume.
    static constexpr TPanRule OnLoad() { return {TKind::OnLoad, 0.f}; }
};

// The volume and pan handed to BASS_ChannelSetAttributes (frequency left
// alone); -1 leaves the volume, -101 the pan as it is.
struct TPlacedAttributes {
    int Volume = -1;
    int Pan = -101;
    bool operator==(const TPlacedAttributes&) const = default;
};

// The attributes a placement sets, or none when it sets none: the rule table.
// Pure, for the tests and for anyone who wants to know without placing.
std::optional<TPlacedAttributes> PlacedAttributes(const TPanRule& rule, bool isStereo,
                                                  const BASS_3DVECTOR& p, float unitsPerStep);

// Hands one open channel's place to the library, for the window and the
// exporter alike: the 3D position (heard from the next BASS_Apply3D on), and
// the attributes the rule gives, their volume with the channel's gain and mute.
void SetChannelPlace(DWORD handle, bool isStereo, const BASS_3DVECTOR& p, const TPanRule& rule,
                     const TChannelLevel& level, float unitsPerStep);

// Places channel n (1..32) at p: stores p as the slot's Position and, when the
// slot is loaded, hands it to the library and sets the attributes the rule
// gives. An empty slot only keeps the position, for the next file loaded into
// it. The 3D change is applied at once, unless a TPlacementBatch is open: then
// the batch applies it once for every channel placed meanwhile. Call on the
// GUI thread, as everything that touches the channel table.
void PlaceSource(int n, const BASS_3DVECTOR& p, const TPanRule& rule);

// While one exists, placements are applied together when the outermost one
// ends (the library's apply call covers every channel at once): a gesture or a
// batch that moves several channels applies 3D once.
class TPlacementBatch {
public:
    TPlacementBatch();
    ~TPlacementBatch();
    TPlacementBatch(const TPlacementBatch&) = delete;
    TPlacementBatch& operator=(const TPlacementBatch&) = delete;
};
