// A system error (an errno value) in words for people, in the program's
// language where a translation is set: the reason in "cannot write X: why".
#pragma once

#include <string>

// The words for error: the program's own for the errors people meet with
// files, folders, pipes and ports, through the translation set below; else,
// and always without one, the system's English text ("the disk is full" for
// a full disk or quota).
std::string FileErrorText(int error);

// The translation FileErrorText words its errors with, as audio/Wording.h's
// translate(context, text); nullptr for the system's texts. Set where the
// program chooses its language, before a thread that may say an error runs;
// a later call may switch it while they run.
using TFileErrorTranslate = std::string (*)(const char* context, const char* text);
void SetFileErrorTranslation(TFileErrorTranslate translate);
