// Places as numbers: the Edit menu's "Position..." (Ctrl+P, also in the
// channel list's context menu) for the current channel.
#pragma once

class TFrmPhonaraPlayer;

// Adds the command (an action named "PositionAction") to the window's Edit menu.
void InstallPositionCommand(TFrmPhonaraPlayer& window);
// Its caption in the language of the moment.
void RetranslatePositionCommand(TFrmPhonaraPlayer& window);
// Opens the dialog for the current channel; its place goes through the
// arrangement's seam as one step of the user's, the other selected channels
// keeping their offsets from it.
void PositionClick(TFrmPhonaraPlayer& window);
