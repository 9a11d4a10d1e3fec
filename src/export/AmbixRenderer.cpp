#include "export/AmbixRenderer.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

#include "audio/ErrorReasons.h"

namespace {

// The exporter's words in the language of the moment.
std::string translate(const char* context, const char* text) {
    return QCoreApplication::translate(context, text).toStdString();
}

TVec3 VecOf(const BASS_3DVECTOR& v) {
    return {v.x, v.y, v.z};
}

void Scaled(int channels, const TAmbixDirection& d, float gain, float* out) {
    AmbixCoefficients(MaxAmbixOrder, d, out);
    for (int i = 0; i < channels; ++i)
        out[i] *= gain;
}

} // namespace

TAmbixRenderer::TAmbixRenderer(const std::vector<DWORD>& channels, int order) : mixer_(order) {
    for (const DWORD handle : channels) {
        BASS_CHANNELINFO info{};
        if (!BASS_ChannelGetInfo(handle, &info)) {
            error_ = Filled(translate("ExportCommand", "シーンのチャンネルが開いていません: %1"),
                            {BassErrorReasonNow(BASS_ErrorGetCode())});
            return;
        }
        TSource s;
        s.Handle = handle;
        s.Positioned = (info.flags & BASS_SAMPLE_3D) != 0;
        s.Chans = info.chans == 1 ? 1 : 2;
        s.Twin = AUDIOLIB_DecoderOpen(handle);
        if (!s.Twin) {
            error_ = Filled(translate("ExportCommand",
                                      "エンコーダーのためにチャンネルのファイルを読めません: %1"),
                            {BassErrorReasonNow(BASS_ErrorGetCode())});
            return;
        }
        sources_.push_back(s);
    }
    if (!AUDIOLIB_SetDirectPath(false)) {
        error_ = Filled(translate("ExportCommand", "レンダラーが残響を分けられません: %1"),
                        {BassErrorReasonNow(BASS_ErrorGetCode())});
        return;
    }
    directOff_ = true;
}

TAmbixRenderer::~TAmbixRenderer() {
    for (const TSource& s : sources_)
        AUDIOLIB_DecoderFree(s.Twin);
    if (directOff_)
        AUDIOLIB_SetDirectPath(true);
}

// Each side's coefficients, gain included, as the scene stands now.
void TAmbixRenderer::Targets(const TSource& s, const TDistanceModel& model,
                             const THeadOrientation& head, float (&to)[2][MaxAmbixChannels]) const {
    const int k = Channels();
    DWORD volume = 100;
    int pan = 0;
    BASS_ChannelGetAttributes(s.Handle, nullptr, &volume, &pan);
    const float gain = static_cast<float>(volume) / 100.0f;
    if (s.Chans == 2) {
        // Played straight to the speakers with the balance as the library
        // applies it: the sides stay where the head is.
        const float left = std::min(1.0f, 1.0f - static_cast<float>(pan) / 100.0f);
        const float right = std::min(1.0f, 1.0f + static_cast<float>(pan) / 100.0f);
        Scaled(k, AmbixDirectionOfAngles(StereoSpreadDeg, 0), gain * left, to[0]);
        Scaled(k, AmbixDirectionOfAngles(-StereoSpreadDeg, 0), gain * right, to[1]);
        return;
    }
    if (!s.Positioned) {
        // An unpositioned mono channel sits in front at the angle of its pan,
        // without distance.
        Scaled(k, AmbixDirectionOfAngles(-static_cast<double>(pan) * 0.9, 0), gain, to[0]);
        return;
    }
    BASS_3DVECTOR position{};
    BASS_ChannelGet3DPosition(s.Handle, &position, nullptr, nullptr);
    const TVec3 p = VecOf(position);
    const float g = gain * DistanceGain(p, model);
    if (const auto direction = AmbixDirectionOf(p, head)) {
        Scaled(k, *direction, g, to[0]);
    } else {
        std::fill_n(to[0], MaxAmbixChannels, 0.0f); // on the listener: everywhere at once
        to[0][0] = g;
    }
}

bool TAmbixRenderer::Render(float* interleaved, size_t frames) {
    TDistanceModel model;
    BASS_3DVECTOR front{0, 0, 1}, top{0, 1, 0};
    if (!AUDIOLIB_Get3DSpace(&model.DistanceFactor, &model.RollOff, &front, &top))
        return false;
    const THeadOrientation head{VecOf(front), VecOf(top)};
    // What plays in this block: the states before the device renders it.
    std::vector<char> running(sources_.size());
    for (size_t i = 0; i < sources_.size(); ++i) {
        const DWORD state = BASS_ChannelIsActive(sources_[i].Handle);
        running[i] = state == BASS_ACTIVE_PLAYING || state == BASS_ACTIVE_STALLED;
    }
    // The device is stereo (see the header); room for the widest loopback
    // layout all the same, so a device opened otherwise gives a wrong sound
    // rather than a write past the buffer.
    constexpr size_t WidestLoopback = 8;
    wet_.resize(frames * WidestLoopback);
    if (!AUDIOLIB_Render(wet_.data(), static_cast<DWORD>(frames)))
        return false;

    mixer_.Begin(frames);
    side_.resize(frames);
    for (size_t i = 0; i < sources_.size(); ++i) {
        TSource& s = sources_[i];
        if (!running[i])
            continue;
        const size_t c = static_cast<size_t>(s.Chans);
        dry_.assign(frames * c, 0.0f);
        const DWORD got = AUDIOLIB_DecoderRead(s.Twin, dry_.data(), static_cast<DWORD>(frames));
        if (got == static_cast<DWORD>(-1) || got == 0)
            continue;
        float to[2][MaxAmbixChannels];
        Targets(s, model, head, to);
        if (!s.Started)
            std::memcpy(s.Last, to, sizeof to);
        s.Started = true;
        for (size_t side = 0; side < c; ++side) {
            const float* signal = dry_.data();
            if (c == 2) {
                for (size_t f = 0; f < frames; ++f)
                    side_[f] = dry_[f * 2 + side];
                signal = side_.data();
            }
            mixer_.AddSource(signal, s.Last[side], to[side]);
        }
        std::memcpy(s.Last, to, sizeof to);
    }
    for (size_t f = 0; f < frames; ++f)
        side_[f] = wet_[f * 2] + wet_[f * 2 + 1];
    mixer_.AddDiffuse(side_.data(), DiffuseGain);
    std::memcpy(interleaved, mixer_.Block(),
                frames * static_cast<size_t>(Channels()) * sizeof(float));
    return true;
}
