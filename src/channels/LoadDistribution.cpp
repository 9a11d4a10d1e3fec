#include "channels/LoadDistribution.h"

#include "channels/Sources.h"

bool DistributeFiles(size_t listSize, const TLoadSlots& targets) {
    if (listSize == 0)
        return false;
    bool loadedAny = false;
    bool listDone = false;
    size_t j = 0;

    // Selected targets.
    bool loadedThisPass = false;
    for (int n = 1; n <= ChannelCount;) {
        if (!targets.isSelected(n)) {
            ++n;
            continue;
        }
        if (targets.load(n, j)) {
            loadedAny = true;
            loadedThisPass = true;
            ++n;
        }
        if (++j == listSize) {
            listDone = true;
            if (!loadedThisPass)
                break;
            j = 0;
            loadedThisPass = false;
        }
    }

    // Empty slots, when the selected ones ran out before the list did.
    if (!listDone) {
        for (int n = 1; n <= ChannelCount && j < listSize;) {
            if (targets.isLoaded(n)) {
                ++n;
                continue;
            }
            if (targets.load(n, j)) {
                loadedAny = true;
                ++n;
            }
            ++j;
        }
    }
    return loadedAny;
}
