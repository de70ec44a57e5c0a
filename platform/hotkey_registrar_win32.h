// Hotkey registration for the main window: RegisterHotKey, or in the Winelib build X11 key grabs
// on the root window, so that the hotkeys work while another application has the focus.
#pragma once

#include <windows.h>

class HotkeyRegistrar;

HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window);
// Delivers pending global key presses to the window as WM_HOTKEY. The main loop calls it on
// every idle pass; it returns at once when nothing is pending. While a modal loop (a dialog, the
// tray menu, a chooser) runs instead of the main loop, a timer of the window does the same.
void PumpGlobalHotkeys();
