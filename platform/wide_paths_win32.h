// The wide paths over the code page of the Win32 calls: WideCharToMultiByte decides whether a
// name survives it, GetShortPathNameW gives the alias of one that does not.
#pragma once

#include <string>

#include "platform/wide_paths.h"

WidePaths* Win32WidePaths();

// Text of the code page as UTF-16, and back: spelled exactly (false when a character does not
// survive the round trip), or with '?' for each such character, which no file name holds.
std::u16string WidenAnsi(const std::string& text);
bool SpellAnsi(const std::u16string& text, std::string* narrow);
std::string NarrowLossy(const std::u16string& text);
// The name of a file found in a listing (its name and alias) in the code page: as it is where
// the code page spells it and Windows allows it, else by its alias; false when neither works.
bool SpellListedName(const char16_t* name, const char16_t* alias, std::string* narrow);
