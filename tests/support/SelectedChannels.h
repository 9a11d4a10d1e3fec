// The channels whose persistent selection flag is set, in ascending order.
#pragma once

#include <vector>

#include "channels/Sources.h"

inline std::vector<int> SelectedChannels() {
    std::vector<int> c;
    for (int n = 1; n <= ChannelCount; ++n)
        if (Sources[n].Selected)
            c.push_back(n);
    return c;
}
