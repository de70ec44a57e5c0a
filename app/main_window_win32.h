// What the hidden main window keeps for itself between messages, attached to the window rather
// than to the process.
#pragma once

#include <windows.h>

#include "playlist/chooser_guard.h"

struct MainWindowState {
  // What the shell broadcasts when it has made the notification area anew.
  UINT taskbarCreatedMessage = 0;
  // Hotkeys are still dispatched by an open chooser's own loop: one of each kind at a time.
  ChooserGuard fileChooser;
  ChooserGuard folderChooser;
};

// The state CreateMainWindow attached to the window; null for any other window.
MainWindowState* MainWindowStateOf(HWND window);
