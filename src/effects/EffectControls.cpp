// The EAX environment box and the reverb track bar.
#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Sources.h"
#include "effects/Environments.h"
#include "effects/Reverb.h"

void TFrmPhonaraPlayer::ComboBox1Change() {
    const int item = ComboBox1->currentIndex();
    appliedEnvironment_ = item;
    if (item == 0) {
        // "Off" silences the room and takes every channel out of it. Empty
        // slots are included: the library refuses their stale handles.
        BASS_SetEAXParameters(-1, 0.0f, -1.0f, -1.0f);
        for (int n = 1; n <= ChannelCount; ++n)
            BASS_ChannelSetEAXMix(Sources[n].Handle, 0.0f);
        return;
    }
    if (const TEnvironmentPreset* preset = EnvironmentOfItem(item))
        BASS_SetEAXParameters(preset->Environment, preset->Volume, preset->Decay, preset->Damping);
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
