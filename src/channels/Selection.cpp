#include "app/PNAP.h"
#include "channels/Sources.h"
#include "widgets/StringGrid.h"

bool TFrmPhonaraPlayer::IsChannelSelected(int n) const {
    return ChannelSelectedNow(n, StringGrid1->row());
}
