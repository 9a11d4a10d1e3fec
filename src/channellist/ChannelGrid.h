// State the channel grid keeps per row, and beside it: NameWidth (per row, the
// pixel width of its file name plus 4, or 0 while the slot is empty),
// LastGridKey and FileHintWindow. They are program state (app/ProgramState.h).
#pragma once

#include "channels/Sources.h"
