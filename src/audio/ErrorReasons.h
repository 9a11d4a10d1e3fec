// What a library error code means, in words a user can act on. No Qt: tested
// directly.
#pragma once

#include <string>

#include "audio/Wording.h"

// The reason behind BASS_ERROR_* code, e.g. "読み込めません" for
// BASS_ERROR_FILEOPEN; an unforeseen code is an unknown error (the message
// shows the number beside it).
std::string BassErrorReason(int code, const TTranslate& translate = SourceText);

// The same in the program's language of the moment (its installed
// translation), for code that has no window to pass a hook from.
std::string BassErrorReasonNow(int code);
