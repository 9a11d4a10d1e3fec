// What the main window's creation builds and its destruction tears down.
#include "app/PNAP.h"
#include "app/ProgramState.h"
#include "audiolib.h"
#include "channellist/ChannelGrid.h"
#include "channels/Sources.h"
#include "spatial/Markers.h"
#include "spatial/Spatial.h"
#include "undo/UndoHistory.h"
#include "widgets/HintWindow.h"
#include "widgets/Marker.h"
#include "widgets/ScrollBar.h"
#include "widgets/StringGrid.h"
#include "widgets/ViewImage.h"

void TFrmPhonaraPlayer::FormCreate() {
    // Every shared value starts from its default; the scale in pixels follows
    // from the views as laid out.
    ResetProgramState();
    // The history is of this run only.
    History->Clear();
    PixelsPerStep = static_cast<float>(static_cast<double>(Image1->width()) /
                                       (ScrollBarX->maximum() - ScrollBarX->minimum()));
    ViewCentre = static_cast<int>(Image1->width() / 2.0);
    // Both views repaint often while markers are dragged over them; Qt's
    // widgets are double-buffered already, so the panels need nothing more.

    FileHintWindow = new THintWindow(this);

    CreateMarkers();

    // Channel 1 is the selected channel at start.
    Sources[1].Selected = true;

    StringGrid1->setRowCount(ChannelCount + 1);
    StringGrid1->setCell(0, 0, "Ch");
    StringGrid1->setCell(1, 0, "Source");
    StringGrid1->setCell(2, 0, "State");
    StringGrid1->setCell(3, 0, "File");
    for (int n = 1; n <= ChannelCount; ++n)
        StringGrid1->setCell(0, n, QString::asprintf(" %.2d", n));

    DrawViewBackground();

    // Files dropped from the desktop.
    setAcceptDrops(true);
}

void TFrmPhonaraPlayer::FormDestroy() {
    destroyed_ = true;
    // The arrangement for the next start, unless closing the window has saved
    // it already. A failure has been shown to the user; the tear-down goes on,
    // so that the audio library is released.
    WriteAutoSave();
    delete FileHintWindow;
    FileHintWindow = nullptr;
    for (int n = 1; n <= ChannelCount; ++n) {
        delete FrontMarkers[n];
        FrontMarkers[n] = nullptr;
        delete TopMarkers[n];
        TopMarkers[n] = nullptr;
    }
    MarkerOrder.clear();
    // Closing the device releases every channel and effect on it.
    BASS_Stop();
    BASS_Free();
}
