// Play, Loop, Pause and Stop of the selected channels, and the end-of-play
// notification that turns a played channel's word back to "stop".
#include <QCoreApplication>
#include <QMetaObject>
#include <cstdint>

#include "app/PNAP.h"
#include "audiolib.h"
#include "channels/Sources.h"
#include "widgets/StringGrid.h"

namespace {

// Runs on the audio library's thread: it only hands the channel number over
// to the GUI thread, which owns the table and the grid.
void EndOfPlaySync(HSYNC, DWORD channel, DWORD, void* user) {
    const int n = static_cast<int>(reinterpret_cast<intptr_t>(user));
    QMetaObject::invokeMethod(
        qApp,
        [n, channel] {
            if (FrmPhonaraPlayer)
                FrmPhonaraPlayer->EndOfPlay(n, channel);
        },
        Qt::QueuedConnection);
}

} // namespace

void TFrmPhonaraPlayer::StartPlayback(bool loop, const std::function<bool(int)>& which) {
    auto affected = [&which](int n) { return Sources[n].Loaded && which(n); };
    for (int n = 1; n <= ChannelCount; ++n)
        if (affected(n))
            StringGrid1->setCell(2, n, "wait");
    // Let "wait" show before the channels start.
    RepaintGrid();
    QCoreApplication::processEvents();

    for (int n = 1; n <= ChannelCount; ++n) {
        if (!affected(n))
            continue;
        const DWORD handle = Sources[n].Handle;
        BASS_CHANNELINFO info{};
        BASS_ChannelGetInfo(handle, &info);
        BASS_ChannelSetFlags(handle, loop ? (info.flags | BASS_SAMPLE_LOOP)
                                          : (info.flags & ~static_cast<DWORD>(BASS_SAMPLE_LOOP)));
        if (!loop)
            BASS_ChannelSetSync(handle, BASS_SYNC_END | BASS_SYNC_ONETIME, 0, EndOfPlaySync,
                                reinterpret_cast<void*>(static_cast<intptr_t>(n)));
        BASS_ChannelPlay(handle, false);
        MotionPlayed(n);
        StringGrid1->setCell(2, n, loop ? "loop" : "play");
    }
    RepaintGrid();
}

void TFrmPhonaraPlayer::PlayButtonClick() {
    StartPlayback(false, [this](int n) { return IsChannelSelected(n); });
}

void TFrmPhonaraPlayer::LoopButtonClick() {
    StartPlayback(true, [this](int n) { return IsChannelSelected(n); });
}

void TFrmPhonaraPlayer::PauseButtonClick() {
    PauseChannels([this](int n) { return IsChannelSelected(n); });
}

void TFrmPhonaraPlayer::StopButtonClick() {
    StopChannels([this](int n) { return IsChannelSelected(n); });
}

void TFrmPhonaraPlayer::PauseChannels(const std::function<bool(int)>& which) {
    for (int n = 1; n <= ChannelCount; ++n) {
        if (!Sources[n].Loaded || !which(n))
            continue;
        BASS_ChannelPause(Sources[n].Handle);
        MotionPaused(n);
        StringGrid1->setCell(2, n, "pause");
    }
    RepaintGrid();
}

void TFrmPhonaraPlayer::StopChannels(const std::function<bool(int)>& which) {
    // A pause and a rewind: Play then starts the file from its beginning.
    for (int n = 1; n <= ChannelCount; ++n) {
        if (!Sources[n].Loaded || !which(n))
            continue;
        BASS_ChannelPause(Sources[n].Handle);
        BASS_ChannelSetPosition(Sources[n].Handle, 0);
        MotionStopped(n);
        StringGrid1->setCell(2, n, "stop");
    }
    RepaintGrid();
}

void TFrmPhonaraPlayer::EndOfPlay(int n, uint32_t handle) {
    if (n < 1 || n > ChannelCount)
        return;
    // The hand-over may arrive after the slot was freed or given another file:
    // it then speaks of a channel that is gone.
    if (!Sources[n].Loaded || Sources[n].Handle != handle)
        return;
    // Loop pressed after Play: the channel went on past its end.
    if (BASS_ChannelIsActive(Sources[n].Handle) == BASS_ACTIVE_PLAYING)
        return;
    MotionStopped(n);
    StringGrid1->setCell(2, n, "stop");
    RepaintGrid();
}
