#include "channels/Placing.h"

#include "channels/ChannelLevels.h"
#include "channels/Sources.h"
#include "spatial/Coordinates.h"
#include "spatial/Spatial.h"

namespace {

int OpenBatches = 0;
bool ApplyPending = false;

} // namespace

std::optional<TPlacedAttributes> PlacedAttributes(const TPanRule& rule, bool isStereo,
                                                  const BASS_3DVECTOR& p, float unitsPerStep) {
    using K = TPanRule::TKind;
    if (rule.Kind == K::OnLoad)
        return TPlacedAttributes{-1, coords::PanFromX(p.x, unitsPerStep)};
    // A 3D channel is heard where the library puts it.
    if (!isStereo)
        return std::nullopt;
    TPlacedAttributes a;
    a.Volume = coords::StereoVolume(p.y, p.z, unitsPerStep);
    if (rule.Kind == K::FromX)
        a.Pan = coords::PanFromX(p.x, unitsPerStep);
    else if (rule.Kind == K::FromStep)
        a.Pan = coords::PanFromStep(rule.Step);
    return a;
}

void SetChannelPlace(DWORD handle, bool isStereo, const BASS_3DVECTOR& p, const TPanRule& rule,
                     const TChannelLevel& level, float unitsPerStep) {
    BASS_ChannelSet3DPosition(handle, &p, nullptr, nullptr);
    if (const auto a = PlacedAttributes(rule, isStereo, p, unitsPerStep))
        BASS_ChannelSetAttributes(handle, -1, LevelledVolume(level, a->Volume), a->Pan);
}

void PlaceSource(int n, const BASS_3DVECTOR& p, const TPanRule& rule) {
    TSource& s = Sources[n];
    s.Position = p;
    if (!s.Loaded)
        return;
    SetChannelPlace(s.Handle, s.IsStereo, s.Position, rule, ChannelLevels[n], UnitsPerStep);
    if (OpenBatches > 0)
        ApplyPending = true;
    else
        BASS_Apply3D();
}

TPlacementBatch::TPlacementBatch() {
    ++OpenBatches;
}

TPlacementBatch::~TPlacementBatch() {
    if (--OpenBatches == 0 && ApplyPending) {
        ApplyPending = false;
        BASS_Apply3D();
    }
}
