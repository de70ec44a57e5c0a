// The tray tooltip field: 128 characters, so at most 127 and a NUL.
#pragma once

#include <cstddef>

constexpr size_t kTrayTipSize = 128;

// Copies text into the field, cut so that the field always ends in a NUL.
void CopyTrayTip(const char* text, char (&field)[kTrayTipSize]);
// The wide field holds as many UTF-16 units; a surrogate pair is never cut in two.
void CopyTrayTip(const char16_t* text, char16_t (&field)[kTrayTipSize]);
