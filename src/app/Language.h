// The interface language: Japanese (the program's own texts) or English (the
// translation compiled from translations/). The user's choice is kept per
// user; --lang chooses for one run.
#pragma once

#include <optional>
#include <string>

enum class TLanguage { Japanese, English };

// "ja" or "en"; anything else is no language.
std::optional<TLanguage> LanguageOfCode(const std::string& code);
const char* LanguageCode(TLanguage language);

// The language of a run: --lang when given; else, with a window, the user's
// kept choice; else Japanese with a window and English without one (help,
// errors and exports read by scripts). The locale plays no part.
TLanguage RunLanguage(std::optional<TLanguage> argument, std::optional<TLanguage> kept,
                      bool window);

// The kept choice (settings key ui/language), none when never chosen.
std::optional<TLanguage> KeptLanguage();
void KeepLanguage(TLanguage language);

// Switches every text of the program now: installs or removes the English
// translation and delivers the language change to every open window before
// it returns. Needs the application object.
void ApplyLanguage(TLanguage language);
TLanguage CurrentLanguage();

// A text of pure code in the language of the moment (the hook of audio/Wording.h).
std::string Translated(const char* context, const char* text);
