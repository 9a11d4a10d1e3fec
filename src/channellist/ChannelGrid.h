// State the channel grid keeps per row.
#pragma once

#include "channels/Sources.h"

// Per row: the pixel width of its file name plus 4, or 0 while the slot is empty.
extern TChannelArray<int> NameWidth;
