// What renders an export's scene into blocks of frames: the loopback device's
// own mix in its channel configuration (stereo, binaural, quad, 5.1, 7.1), or
// the AmbiX encoder over the same device. The scene's channels are opened and
// placed on the loopback device first, opened with DeviceChannelsOf(layout).
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "audiolib.h"
#include "export/ExportOptions.h"

class TSceneRenderer {
public:
    virtual ~TSceneRenderer() = default;
    // Channels per frame.
    virtual int Channels() const = 0;
    // Renders count interleaved frames; false when the device fails
    // (BASS_ErrorGetCode says why).
    virtual bool Render(float* frames, size_t count) = 0;
};

// The channels the loopback device is opened with for layout: the speakers'
// count, or two for stereo, binaural and AmbiX (whose encoder takes the
// device's room and reverbs from a stereo mix).
int DeviceChannelsOf(TExportLayout layout);

// The renderer of layout over the scene's channels on the open loopback
// device; none (with error) when it cannot render. None limits: the mix is
// limited after the render.
std::unique_ptr<TSceneRenderer>
MakeSceneRenderer(TExportLayout layout, const std::vector<DWORD>& channels, std::string& error);
