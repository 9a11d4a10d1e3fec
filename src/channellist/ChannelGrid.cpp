#include "channellist/ChannelGrid.h"

#include "app/PNAP.h"
#include "widgets/StringGrid.h"

TChannelArray<int> NameWidth;

void TFrmPhonaraPlayer::RepaintGrid() {
    StringGrid1->viewport()->repaint();
}
