// The two settings dialogs; the window procedure shows them with DialogBoxParamA.
#pragma once

#include <windows.h>

constexpr int kHotkeysDialogResource = 101;
constexpr int kOptionsDialogResource = 133;

INT_PTR CALLBACK HotkeysDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
