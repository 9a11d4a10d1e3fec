#include "channellist/GridSelection.h"

#include <algorithm>

#include "channels/Sources.h"

namespace {

int ClampChannel(int n) {
    return std::clamp(n, 1, ChannelCount);
}

} // namespace

void CommitGridRange(int anchorRow, int currentRow, bool toggle) {
    const int lo = ClampChannel(std::min(anchorRow, currentRow));
    const int hi = ClampChannel(std::max(anchorRow, currentRow));
    for (int n = lo; n <= hi; ++n)
        Sources[n].Selected = toggle ? !Sources[n].Selected : true;
}

void SelectOnlyChannel(int n) {
    for (int m = 1; m <= ChannelCount; ++m)
        Sources[m].Selected = false;
    Sources[n].Selected = true;
}

void ToggleChannel(int n) {
    Sources[n].Selected = !Sources[n].Selected;
}

int ArrowKeySelection(bool down, bool ctrl, bool shift, int row, bool lastWasOppositeArrow) {
    row = ClampChannel(row);
    const int target = ClampChannel(row + (down ? 1 : -1));
    if (ctrl)
        return target;
    if (shift) {
        if (lastWasOppositeArrow)
            ToggleChannel(row);
        ToggleChannel(target);
    } else {
        SelectOnlyChannel(target);
    }
    return target;
}
