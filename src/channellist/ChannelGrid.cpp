#include "channellist/ChannelGrid.h"

#include "app/PNAP.h"
#include "widgets/StringGrid.h"

void TFrmPhonaraPlayer::RepaintGrid() {
    StringGrid1->viewport()->repaint();
    ShowMotionPaths();
    ShowLevels();
}

void TFrmPhonaraPlayer::MakeChannelCurrent(int m) {
    const int top = StringGrid1->topRow();
    if (m < top || m > top + 4) {
        const int rows = StringGrid1->rowCount();
        if (m < 6)
            StringGrid1->setTopRow(1);
        else if (m > rows - 6)
            StringGrid1->setTopRow(rows - 5);
        else
            StringGrid1->setTopRow(m - 2);
    }
    StringGrid1->setRow(m);
}
