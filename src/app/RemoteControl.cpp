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
    ch.gain = std::get<float>(w.Arrangement.Read(TField::Gain, n));
    ch.muted = std::get<bool>(w.Arrangement.Read(TField::Mute, n));
    if (s.Loaded && text) {
        ch.name = FileNameOfPath(s.FileName);
        ch.word = w.StringGrid1->cell(2, n).toStdString();
    }
    return ch;
}

// A controller's command, through the arrangement's one way of change where
// it changes the arrangement; why it could not be applied, in words.
std::optional<std::string> Apply(TFrmPhonaraPlayer& w, const remote::Command& c) {
    auto only = [n = c.channel](int m) { return m == n; };
    constexpr TOrigin From = TOrigin::Controller;
    switch (c.verb) {
    case remote::Verb::Gain:
        w.Arrangement.Gain(c.channel, static_cast<float>(c.value), From);
        break;
    case remote::Verb::Mute:
        w.Arrangement.Mute(c.channel, c.value != 0, From);
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
    case remote::Verb::Load: {
        // A file that does not open leaves the channel as it was; the
        // controller is told why, the window shows nothing.
        const TApplied loaded = w.Arrangement.File(c.channel, c.text, From);
        if (loaded.Refused())
            return loaded.Reason;
        w.RepaintGrid();
        break;
    }
    case remote::Verb::OpenPlaylist:
        w.OpenPlaylist(c.text, From);
        break;
    case remote::Verb::Record:
        w.SetMotionRecording(c.value != 0, From);
        break;
    }
    return std::nullopt;
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
    RemoteControlAction = new QAction(this); // caption: RetranslateRemoteMenu
    connect(RemoteControlAction, &QAction::triggered, this, [this] { RemoteControlClick(); });
    InsertAboveAudioStatus(MenuAudio, {RemoteControlAction});
}

void TFrmPhonaraPlayer::RetranslateRemoteMenu() {
    RemoteControlAction->setText(tr("OSC リモート..."));
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
        Remote->wordOf = [this](int n) {
            return Sources[n].Loaded ? StringGrid1->cell(2, n).toStdString() : std::string();
        };
        // The feedback follows the arrangement's changes, whoever made them.
        Arrangement.Observe([this](const TChange& c) {
            if (Remote)
                Remote->NoteChanged(c.Channel);
        });
        // What a controller does is live input, never a step of the user's,
        // even when it arrives in the middle of a drag or under a dialog.
        Remote->onCommand = [this](const remote::Command& c) {
            const TUndoPause live(History->Recorder);
            return Apply(*this, c);
        };
        Remote->onMoves = [this](const std::vector<std::pair<int, remote::Vec3>>& moves) {
            const TPlacementBatch frame;
            for (const auto& [n, p] : moves)
                if (Sources[n].Loaded)
                    Arrangement.Place(n, ToVector(p), TOrigin::Controller);
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

void TFrmPhonaraPlayer::RemoteControlClick() {
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
