#include "app/tray_tip.h"

#include <algorithm>
#include <cstring>

void CopyTrayTip(const char* text, char (&field)[kTrayTipSize]) {
  size_t length = strnlen(text, kTrayTipSize - 1);
  memcpy(field, text, length);
  field[length] = '\0';
}

void CopyTrayTip(const char16_t* text, char16_t (&field)[kTrayTipSize]) {
  size_t length = 0;
  while (length < kTrayTipSize - 1 && text[length] != 0) ++length;
  bool splitsPair = length == kTrayTipSize - 1 && text[length] != 0 && length > 0 &&
                    text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF;
  if (splitsPair) --length;
  std::copy(text, text + length, field);
  field[length] = 0;
}
