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

// Both are applied through the arrangement's one way of change, which
// applies the room to every channel and the level to every channel's effect.
void TFrmPhonaraPlayer::ComboBox1Change() {
    Arrangement.Environment(ComboBox1->currentIndex(), TOrigin::Bar);
}

void TFrmPhonaraPlayer::TrackBar1Change() {
    Arrangement.ReverbLevel(TrackBar1->value(), TOrigin::Bar);
}
