// The MainWindow in its role as the owner of the dialogs, the choosers and their message boxes.
// CreateWin32HotkeyRegistrar records it, since the program creates the registrar for that window.
#pragma once

#include <windows.h>

HWND OwnerWindow();
void SetOwnerWindow(HWND window);
