// The screen scaling a window is drawn at, for a program that declares itself per-monitor DPI
// aware in its manifest.
#pragma once

#include <windows.h>

// WM_DPICHANGED, which Wine's headers do not name: the window's monitor changed its scaling or
// the window moved to another; LOWORD(wParam) is the new DPI.
constexpr UINT kDpiChangedMessage = 0x02E0;

// The DPI of the monitor the window is on (96 at 100 % scaling). On systems without per-monitor
// DPI it is the system's.
UINT WindowDpi(HWND window);
// The side in pixels of a small icon (the tray's, a window caption's) at the DPI.
int SmallIconSide(UINT dpi);
