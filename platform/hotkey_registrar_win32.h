// Hotkey registration for the main window: RegisterHotKey, or in the Winelib build X11 key grabs
// on the root window, so that the hotkeys work while another application has the focus. The
// grabbed presses reach the window as WM_HOTKEY through any message loop, the modal ones too.
#pragma once

#include <windows.h>

class HotkeyRegistrar;

// Lives as long as the window: a thread of its own watches the X connection.
HotkeyRegistrar* CreateWin32HotkeyRegistrar(HWND window);
