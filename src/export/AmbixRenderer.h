// Renders the scene on the audio library's loopback device to AmbiX (ACN,
// SN3D) of order 1 to 3, faster than real time.
//
// Each channel's dry sound is read from a decode-only twin of its file and
// encoded by its direction from the listener (the head as turned), with the
// gain the device would give it: its volume times OpenAL's distance model with
// the library's factors. A stereo channel is two sources at 30 degrees left
// and right, with its volume and balance. The device itself renders only the
// room and the channels' reverbs (its direct path off); that return goes into
// W as a diffuse field, so that it pulls no source's direction. As the device
// limits its own output, the encoder limits peaks at full scale with one gain
// for all channels.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "audiolib.h"
#include "export/Ambix.h"

class TAmbixRenderer {
public:
    // channels: the scene's channels, opened and placed on the open loopback
    // device (stereo, without HRTF) and not played yet or just started. Moves,
    // volumes, pans and the listener's orientation are read from the library
    // before every block, so the scene may change between blocks as it does
    // on the device; a channel paused meanwhile pauses here too, but one
    // restarted or repositioned is not followed (the twin reads on). order is
    // clamped to 1..3.
    // Without limit the peaks pass, for a renderer that sums several and
    // limits the sum.
    TAmbixRenderer(const std::vector<DWORD>& channels, int order, bool limit = true);
    ~TAmbixRenderer();
    TAmbixRenderer(const TAmbixRenderer&) = delete;
    TAmbixRenderer& operator=(const TAmbixRenderer&) = delete;

    // Empty when the renderer is ready; otherwise why not, for people.
    const std::string& Error() const { return error_; }
    int Order() const { return mixer_.Order(); }
    int Channels() const { return mixer_.Channels(); }

    // Renders frames frames of Channels() interleaved channels. False when the
    // device fails (BASS_ErrorGetCode says why).
    bool Render(float* interleaved, size_t frames);

    // The gain of the sum of the device's two sides in W. The room's sides are
    // nearly uncorrelated, so their plain sum carries the stereo render's
    // power, as W carries a source at the power the device gives it at the
    // side.
    static constexpr float DiffuseGain = 1.0f;
    // Where a stereo channel's two sides sit, degrees left of the front.
    static constexpr double StereoSpreadDeg = 30.0;

private:
    struct TSource {
        DWORD Handle = 0, Twin = 0;
        bool Positioned = false;
        int Chans = 1;
        float Last[2][MaxAmbixChannels] = {}; // coefficients at the last block's end
        bool Started = false;
    };
    void Targets(const TSource& s, const TDistanceModel& model, const THeadOrientation& head,
                 float (&to)[2][MaxAmbixChannels]) const;

    std::vector<TSource> sources_;
    TAmbixMixer mixer_;
    TAmbixLimiter limiter_;
    std::vector<float> wet_, dry_, side_;
    std::string error_;
    bool directOff_ = false;
    bool limit_ = true;
};
