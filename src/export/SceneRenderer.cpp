#include "export/SceneRenderer.h"

#include "export/AmbixRenderer.h"

namespace {

// The device's own mix, as many channels as it was opened with.
class TLoopbackRenderer : public TSceneRenderer {
public:
    explicit TLoopbackRenderer(int channels) : channels_(channels) {}
    int Channels() const override { return channels_; }
    bool Render(float* frames, size_t count) override {
        return AUDIOLIB_Render(frames, static_cast<DWORD>(count)) != 0;
    }

private:
    int channels_;
};

class TAmbixSceneRenderer : public TSceneRenderer {
public:
    TAmbixSceneRenderer(const std::vector<DWORD>& channels, int order) : ambix_(channels, order) {}
    const std::string& Error() const { return ambix_.Error(); }
    int Channels() const override { return ambix_.Channels(); }
    bool Render(float* frames, size_t count) override { return ambix_.Render(frames, count); }

private:
    TAmbixRenderer ambix_;
};

} // namespace

int DeviceChannelsOf(TExportLayout layout) {
    return AmbixOrderOf(layout) > 0 ? 2 : ExportLayoutChannels(layout);
}

std::unique_ptr<TSceneRenderer>
MakeSceneRenderer(TExportLayout layout, const std::vector<DWORD>& channels, std::string& error) {
    if (const int order = AmbixOrderOf(layout); order > 0) {
        auto ambix = std::make_unique<TAmbixSceneRenderer>(channels, order);
        if (!ambix->Error().empty()) {
            error = ambix->Error();
            return nullptr;
        }
        return ambix;
    }
    return std::make_unique<TLoopbackRenderer>(DeviceChannelsOf(layout));
}
