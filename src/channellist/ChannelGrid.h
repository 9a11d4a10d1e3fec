// State the channel grid keeps per row, and beside it.
#pragma once

#include "channels/Sources.h"

class THintWindow;

// Per row: the pixel width of its file name plus 4, or 0 while the slot is empty.
extern TChannelArray<int> NameWidth;
// The last key that reached the grid (a Qt key code), modifier keys included.
extern int LastGridKey;
// The one window that shows a channel's file name beside the pointer.
extern THintWindow* FileHintWindow;
