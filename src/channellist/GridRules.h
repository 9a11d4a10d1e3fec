// The colour and command rules the channel grid's drawing applies.
#pragma once

#include <array>

enum class TGridColour { Grid, GridText, Highlight, HighlightText, Red, Yellow, White };

struct TRowColours {
    TGridColour background;
    TGridColour text;
};

// Columns 1..3 of a channel row: selection shows in the highlight colours,
// playing in red (selected) or yellow (not selected).
TRowColours ChannelRowColours(bool selected, bool loadedAndPlaying);

// A channel's markers in both views.
TGridColour MarkerColour(bool selected, bool loaded, bool playing);

struct TSlotState {
    bool loaded = false;
    bool selected = false;
};

struct TCommandStates {
    bool fileCommands = false;    // the File menu and Load
    bool channelCommands = false; // Remove, Loop, Play, Pause, Stop
};

// Load needs an empty slot or a selected loaded one to go into; the channel
// commands need a selected loaded slot.
TCommandStates CommandStates(const std::array<TSlotState, 32>& slots);

// The File column fills the rest of the client width, or is as wide as the
// widest name, whichever is more.
int FileColumnWidth(int clientWidth, int col0, int col1, int col2, int lineWidth,
                    const std::array<int, 32>& nameWidths);
