// File-dialog filters are kept in the "text|pattern|text|pattern" form the
// layout gives them (plug-ins append entries to it at start) and converted to
// Qt's "text (pattern pattern)" form only when a dialog is shown.
#pragma once

#include <string>
#include <vector>

struct TFilterEntry {
    std::string Text;                  // what the user sees, e.g. "Ogg Vorbis (*.ogg)"
    std::vector<std::string> Patterns; // e.g. {"*.ogg"}; "*.*" becomes "*"
};

// Splits a "text|pattern|..." list into its entries. A trailing text without
// a pattern is dropped; empty patterns separated by ";" are skipped.
std::vector<TFilterEntry> ParseFilter(const std::string& filter);

// One entry in Qt's form: the text, a space and the patterns in parentheses.
std::string QtFilterEntry(const TFilterEntry& entry);
