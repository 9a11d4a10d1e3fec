// The EAX environment box and the reverb track bar.
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <array>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Sources.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"

void TFrmPhonaraPlayer::ComboBox1Change() {
    appliedEnvironment_ = ComboBox1->currentIndex();
    // Empty slots are included: the library refuses their stale handles.
    std::array<DWORD, ChannelCount> handles{};
    for (int n = 1; n <= ChannelCount; ++n)
        handles[static_cast<size_t>(n - 1)] = Sources[n].Handle;
    ApplyEnvironment(ComboBox1->currentIndex(), handles);
}

void TFrmPhonaraPlayer::TrackBar1Change() {
    const int level = TrackBar1->value();
    appliedReverbLevel_ = level;
    ReverbParameters.reverbMix = ReverbMixOfLevel(level);
    for (int n = 1; n <= ChannelCount; ++n) {
        const TSource& slot = Sources[n];
        // A channel whose effect the library refused has nothing to set.
        if (slot.Loaded && slot.FxHandle != 0)
            BASS_FXSetParameters(slot.FxHandle, &ReverbParameters);
    }
    Label5->setText(QString::number(level));
}
