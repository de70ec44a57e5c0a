// The open-file chooser and the folder chooser of the native program, through the desktop's own
// chooser (the portal) where it has one. Paths are Unix paths, as the file system gives them.
#pragma once

#include <string>

// The chosen file, or "" when cancelled or a file chooser is already open.
std::string ChooseTrackFile();
// The chosen folder, or "" when cancelled or a folder chooser is already open.
std::string ChooseTrackFolder();
