#include "settings/owner_window_win32.h"

namespace {
HWND g_ownerWindow = nullptr;
}

HWND OwnerWindow() {
  return g_ownerWindow;
}

void SetOwnerWindow(HWND window) {
  g_ownerWindow = window;
}
