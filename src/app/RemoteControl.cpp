// The window's side of the OSC remote control: the audio menu's item and its
// dialog, what the window reports of its channels, and the commands the
// remote hands over, applied through the paths the bars, drags and buttons use.
#include <QMenu>
#include <QMessageBox>
#include <cmath>
#include <cstdio>

#include "app/AudioMenu.h"
#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/ChannelLevels.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "playlist/PathRules.h"
#include "remote/RemoteDialog.h"
#include "remote/RemoteServer.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

namespace {

BASS_3DVECTOR ToVector(const remote::Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

remote::ChannelState ChannelOf(const TFrmPhonaraPlayer& w, int n, bool text) {
    const TSource& s = Sources[n];
    remote::ChannelState ch;
    ch.loaded = s.Loaded;
    ch.position = {s.Position.x, s.Position.y, s.Position.z};
    ch.gain = ChannelLevels[n].Gain;
    ch.muted = ChannelLevels[n].Muted;
    if (s.Loaded && text) {
        ch.name = FileNameOfPath(s.FileName);
        ch.word = w.StringGrid1->cell(2, n).toStdString();
    }
    return ch;
}

// Channel n put at p as a drag puts it: the library hears it there, a plain
// stereo channel pans from X and falls in volume, its markers show it, and
// the bars and labels follow when it is the current channel. The caller
// holds a placement batch, so that 3D is applied once for all moved channels.
void PlaceFromRemote(TFrmPhonaraPlayer& w, int n, const BASS_3DVECTOR& p) {
    PlaceSource(n, p, TPanRule::FromX());
    PlaceChannelMarkers(n, p);
    if (n == w.StringGrid1->row()) {
        LastPosition = p;
        UpdatingBars = true;
        w.ScrollBarX->setPosition(coords::XToStep(p.x, UnitsPerStep));
        w.ScrollBarY->setPosition(coords::YZToStep(p.y, UnitsPerStep));
        w.ScrollBarZ->setPosition(coords::YZToStep(p.z, UnitsPerStep));
        // As while dragging, a label changes with its bar's step.
        UpdatingBars = false;
    }
}

void Apply(TFrmPhonaraPlayer& w, const remote::Command& c) {
    auto only = [n = c.channel](int m) { return m == n; };
    switch (c.verb) {
    case remote::Verb::Gain:
        ChannelLevels[c.channel].Gain = static_cast<float>(c.value);
        ApplyChannelLevel(c.channel);
        w.ShowChannelLevel(c.channel);
        break;
    case remote::Verb::Mute:
        ChannelLevels[c.channel].Muted = c.value != 0;
        ApplyChannelLevel(c.channel);
        w.ShowChannelLevel(c.channel);
        break;
    case remote::Verb::Play:
        w.StartPlayback(false, only);
        break;
    case remote::Verb::Loop:
        w.StartPlayback(true, only);
        break;
    case remote::Verb::Pause:
        w.PauseChannels(only);
        break;
    case remote::Verb::Stop:
        w.StopChannels(only);
        break;
    case remote::Verb::Load:
        // A file that does not open leaves the channel as it was, silently,
        // as a single failed file of a batch does.
        if (w.LoadChannelFile(c.channel, c.text)) {
            PlaceChannelMarkers(c.channel, Sources[c.channel].Position);
            w.RepaintGrid();
        }
        break;
    case remote::Verb::OpenPlaylist:
        w.OpenPlaylist(c.text);
        break;
    case remote::Verb::Record:
        w.SetMotionRecording(c.value != 0);
        break;
    }
}

// The head's direction as a short line from the centre of the top view.
QLine HeadLine(const remote::Orientation& o, int centre) {
    if (!remote::IsTurned(o))
        return {};
    constexpr double Length = 40; // pixels, 0.8 m on the view's scale
    return QLine(centre, centre, centre + static_cast<int>(std::lround(Length * o.front.x)),
                 centre - static_cast<int>(std::lround(Length * o.front.z)));
}

} // namespace

void TFrmPhonaraPlayer::BuildRemoteMenu() {
    OscRemote1 = new QAction(this); // caption: RetranslateRemoteMenu
    connect(OscRemote1, &QAction::triggered, this, [this] { OscRemote1Click(); });
    InsertAboveAudioStatus(MenuAudio, {OscRemote1});
}

void TFrmPhonaraPlayer::RetranslateRemoteMenu() {
    OscRemote1->setText(tr("OSC リモート..."));
}

void TFrmPhonaraPlayer::StartRemoteControl(int port) {
    TRemoteSettings settings = LoadRemoteSettings();
    if (port > 0) {
        settings.Enabled = true;
        settings.Port = port;
    }
    if (!Remote) {
        Remote = new TRemoteServer(this);
        Remote->channelOf = [this](int n, bool text) { return ChannelOf(*this, n, text); };
        // What a controller does is live input, never a step of the user's,
        // even when it arrives in the middle of a drag or under a dialog.
        Remote->onCommand = [this](const remote::Command& c) {
            const TUndoPause live(History->Recorder);
            Apply(*this, c);
        };
        Remote->onMoves = [this](const std::vector<std::pair<int, remote::Vec3>>& moves) {
            const TUndoPause live(History->Recorder);
            const TPlacementBatch frame;
            for (const auto& [n, p] : moves)
                if (Sources[n].Loaded)
                    PlaceFromRemote(*this, n, ToVector(p));
        };
        Remote->onListener = [this](const remote::Orientation& o) {
            const BASS_3DVECTOR front = ToVector(o.front), top = ToVector(o.top);
            AUDIOLIB_SetListenerOrientation(&front, &top);
            BASS_Apply3D();
            Image2->SetLine(HeadLine(o, ViewCentre));
        };
    }
    if (!Remote->Apply(settings) && port > 0)
        std::fprintf(stderr, "PhonaraPlayer: OSC: %s\n", Remote->Status().toLocal8Bit().data());
}

void TFrmPhonaraPlayer::OscRemote1Click() {
    if (!Remote)
        StartRemoteControl();
    // What is in effect now: a run started with --osc-port shows it on.
    TRemoteDialog dialog(Remote->Settings(), Remote, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TRemoteSettings settings = dialog.Settings();
    SaveRemoteSettings(settings);
    if (!Remote->Apply(settings))
        QMessageBox::warning(this, tr("OSC リモート"), Remote->Status());
}
