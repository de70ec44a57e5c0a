#include "app/tray_tip.h"

#include <cstring>

void CopyTrayTip(const char* text, char (&field)[kTrayTipSize]) {
  size_t length = strnlen(text, kTrayTipSize - 1);
  memcpy(field, text, length);
  field[length] = '\0';
}
