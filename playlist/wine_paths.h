// Playlist entries that the Win32 program wrote under Wine ("Z:\home\me\a.mp3", Windows-1251) as
// the Unix paths (UTF-8) the native program opens, so that a folder the Win32 program kept goes
// on playing.
#pragma once

#include <functional>
#include <string>

// The Unix folder a drive letter (lower case) stands for, without its trailing '/'; "" when it
// is unknown. Z: is the root and never asked.
using WineDriveTarget = std::function<std::string(char drive)>;

// The Unix path of entry when it is a drive path ("X:\..."): Z: the root, another letter through
// driveTarget, the backslashes turned into slashes and the Windows-1251 bytes into UTF-8. Any
// other entry, or one on an unknown drive, is returned as it is.
std::string UnixPathOfWineEntry(const std::string& entry, const WineDriveTarget& driveTarget);
