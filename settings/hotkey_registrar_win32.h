// Hotkey registration for the main window: RegisterHotKey, backed in the Winelib build by X11 key
// grabs on the root window so that the hotkeys work while another application has the focus.
#pragma once

#include <windows.h>

class HotkeyRegistrar;

HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window);
// Delivers pending global key presses to the window as WM_HOTKEY. The main loop calls it on
// every idle pass; it returns at once when nothing is pending.
void PumpGlobalHotkeys();
