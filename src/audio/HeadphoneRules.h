// Headphone 3D: the words the per-user settings keep for the HRTF mode, and
// the status line the audio menu shows. No Qt: tested directly.
#pragma once

#include <string>

#include "audio/Wording.h"
#include "audiolib.h"

// "auto", "on" or "off" for AUDIOLIB_HRTF_AUTO, ON and OFF.
std::string HrtfModeWord(DWORD mode);
// The mode a stored word names; anything else (a missing or edited setting)
// is automatic, which is what OpenAL Soft does by itself.
DWORD HrtfModeFromWord(const std::string& word);

// "HRTF 有効", or "HRTF 無効: " and the reason in words. refused: the device
// did not take the last request, so the status is what it was before.
std::string HrtfStatusText(const AUDIOLIB_HRTF_INFO& info, bool refused,
                           const TTranslate& translate = SourceText);
