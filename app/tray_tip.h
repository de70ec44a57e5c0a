// The tray tooltip field: 128 bytes, so at most 127 characters and a NUL.
#pragma once

#include <cstddef>

constexpr size_t kTrayTipSize = 128;

// Copies text into the field, cut so that the field always ends in a NUL.
void CopyTrayTip(const char* text, char (&field)[kTrayTipSize]);
