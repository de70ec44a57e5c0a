// The open-file dialog, the folder browser and the two playlist commands built on them.
// Implemented over the Windows shell in choosers_win32.cpp.
#pragma once

#include <string>

// The chosen path, or "" when cancelled, failed or a file dialog is already open.
std::string ChooseFile();
// The chosen folder as the shell returns it, or "" when cancelled, failed or already open.
std::string ChooseFolder();
// Chooses a file, replaces the playlist with what it stands for and plays it.
void OpenFileCommand();
// Chooses a folder and fills the playlist with its tracks; false when nothing was listed.
bool ScanFolder();
