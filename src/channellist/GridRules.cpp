#include "channellist/GridRules.h"

#include <algorithm>

TRowColours ChannelRowColours(bool selected, bool loadedAndPlaying) {
    if (selected)
        return {loadedAndPlaying ? TGridColour::Red : TGridColour::Highlight,
                TGridColour::HighlightText};
    return {loadedAndPlaying ? TGridColour::Yellow : TGridColour::Grid, TGridColour::GridText};
}

TGridColour MarkerColour(bool selected, bool loaded, bool playing) {
    if (!loaded)
        return TGridColour::White;
    if (selected)
        return playing ? TGridColour::Red : TGridColour::Highlight;
    return playing ? TGridColour::Yellow : TGridColour::White;
}

TCommandStates CommandStates(const std::array<TSlotState, 32>& slots) {
    TCommandStates s;
    for (const auto& slot : slots) {
        if (!slot.loaded)
            s.fileCommands = true;
        if (slot.loaded && slot.selected)
            s.channelCommands = true;
    }
    s.fileCommands = s.fileCommands || s.channelCommands;
    return s;
}

int FileColumnWidth(int clientWidth, int col0, int col1, int col2, int lineWidth,
                    const std::array<int, 32>& nameWidths) {
    int w = clientWidth - (col0 + col1 + col2) - 3 * lineWidth;
    for (int nw : nameWidths)
        w = std::max(w, nw);
    return w;
}
