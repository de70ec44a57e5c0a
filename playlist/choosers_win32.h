// The open-file dialog, the folder browser and the two playlist commands built on them, over the
// Windows shell. Each takes the window that owns the dialog and the guard that keeps a second one
// of its kind from opening inside the first.
#pragma once

#include <windows.h>

#include <string>

class ChooserGuard;

// The chosen path, or "" when cancelled, failed or a file dialog is already open.
std::string ChooseFile(HWND owner, ChooserGuard& guard);
// The chosen folder as the shell returns it, or "" when cancelled, failed or already open.
std::string ChooseFolder(HWND owner, ChooserGuard& guard);
// Chooses a file, replaces the playlist with what it stands for and plays it.
void OpenFileCommand(HWND owner, ChooserGuard& guard);
// Chooses a folder and fills the playlist with its tracks; false when nothing was listed.
bool ScanFolder(HWND owner, ChooserGuard& guard);
