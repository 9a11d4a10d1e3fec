// Opening files into channel slots, freeing them, and the Load and Remove commands.
#include <QFontMetrics>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channellist/ChannelGrid.h"
#include "channels/ChannelFile.h"
#include "channels/LoadDistribution.h"
#include "channels/Placing.h"
#include "channels/Sources.h"
#include "effects/Reverb.h"
#include "playlist/PathRules.h"
#include "spatial/Coordinates.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/Marker.h"
#include "widgets/StringGrid.h"

namespace {

void ReleaseChannel(DWORD handle) {
    // Only the call for the channel's own kind succeeds; the other fails harmlessly.
    BASS_StreamFree(handle);
    BASS_MusicFree(handle);
}

} // namespace

bool TFrmPhonaraPlayer::LoadChannelFile(int n, const std::string& path) {
    TSource& slot = Sources[n];
    // Every channel loops until the transport says otherwise.
    const DWORD handle = OpenChannelFile(path, true);
    if (!handle) {
        NoteLoadFailure(path);
        return false;
    }

    // The old file goes only now that the new one opened: a failed load changes nothing.
    if (slot.Loaded) {
        if (BASS_ChannelIsActive(slot.Handle) == BASS_ACTIVE_PLAYING)
            BASS_ChannelStop(slot.Handle);
        ReleaseChannel(slot.Handle);
    }
    slot.FileName = path;
    slot.Loaded = true;
    slot.Handle = handle;

    // The new source starts where the slot's previous one stood.
    PlaceSource(n, slot.Position, TPanRule::OnLoad());

    slot.FxHandle = AttachReverb(handle);

    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(handle, &info);
    slot.IsStereo = info.chans != 1;
    StringGrid1->setCell(1, n, slot.IsStereo ? "stereo" : "mono");

    const QString name = QString::fromStdString(FileNameOfPath(path));
    NameWidth[n] = StringGrid1->fontMetrics().horizontalAdvance(name) + 4;
    StringGrid1->setCell(3, n, name);
    StringGrid1->setCell(2, n, "stop");

    FrontMarkers[n]->show();
    TopMarkers[n]->show();
    return true;
}

void TFrmPhonaraPlayer::FreeSlot(int n) {
    TSource& slot = Sources[n];
    BASS_ChannelStop(slot.Handle);
    ReleaseChannel(slot.Handle);
    slot.Loaded = false;
    for (int c = 1; c <= 3; ++c)
        StringGrid1->setCell(c, n, QString());
    FrontMarkers[n]->hide();
    TopMarkers[n]->hide();
    NameWidth[n] = 0;
}

void TFrmPhonaraPlayer::FreeChannel(bool all, TOrigin origin) {
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Loaded && (all || IsChannelSelected(n)))
            Arrangement.File(n, std::string(), origin);
    RepaintGrid();
}

void TFrmPhonaraPlayer::LoadFileList(const std::vector<std::string>& list, TOrigin origin) {
    TLoadSlots targets;
    targets.isSelected = [this](int n) { return IsChannelSelected(n); };
    targets.isLoaded = [](int n) { return Sources[n].Loaded; };
    targets.load = [this, &list, origin](int n, size_t j) {
        return !Arrangement.File(n, list[j], origin).Refused();
    };
    const bool loadedAny = DistributeFiles(list.size(), targets);
    RepaintGrid();
    ReportLoadResult(loadedAny);
}

void TFrmPhonaraPlayer::LoadButtonClick() {
    if (!OpenDialog1.Execute(this) || OpenDialog1.Files.isEmpty())
        return;
    // The step begins when the dialog has closed: nothing of what happened
    // while it was open is the load's.
    const TUndoScope step(History->Recorder);
    const std::string first = OpenDialog1.Files.first().toStdString();
    if (IsPlaylistName(first)) {
        OpenPlaylist(first);
        return;
    }
    std::vector<std::string> list;
    for (const QString& f : OpenDialog1.Files)
        list.push_back(f.toStdString());
    LoadFileList(list);
}

void TFrmPhonaraPlayer::RemoveButtonClick() {
    const TUndoScope step(History->Recorder);
    FreeChannel(false);
}
