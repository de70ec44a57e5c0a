// The two settings dialogs, modal to their owner (the main window, which also owns the message
// boxes they show). Each returns when its OK button has closed it.
#pragma once

#include <windows.h>

void ShowHotkeysDialog(HINSTANCE instance, HWND owner);
void ShowOptionsDialog(HINSTANCE instance, HWND owner);
