// How a list of files is dealt over the 32 slots: first over the selected
// slots (again and again while the list runs out before they do), then into
// the empty targets.
#pragma once

#include <cstddef>
#include <functional>

struct TLoadSlots {
    std::function<bool(int n)> isSelected;
    std::function<bool(int n)> isLoaded;
    // Loads name j of the list into slot n; false when the file did not open.
    std::function<bool(int n, size_t j)> load;
};

// Deals listSize names over the slots; true when any file loaded. A name that
// fails is skipped and the next name tries the same slot. Once every name of
// a whole pass over the list fails, the dealing over the selected slots ends
// (it would otherwise go round for ever).
bool DistributeFiles(size_t listSize, const TLoadSlots& targets);
