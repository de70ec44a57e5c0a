// Playlist entries that the Win32 program wrote under Wine ("Z:\home\me\a.mp3", Windows-1251) as
// the Unix paths (UTF-8) the native program opens, so that a folder the Win32 program kept goes
// on playing.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

// The Unix folder a drive letter (lower case) stands for, without its trailing '/'; "" when it
// is unknown. Z: is the root and never asked.
using WineDriveTarget = std::function<std::string(char drive)>;

// The Unix path of entry when it is a drive path ("X:\..."): Z: the root, another letter through
// driveTarget, the backslashes turned into slashes and the Windows-1251 bytes into UTF-8. Any
// other entry, or one on an unknown drive, is returned as it is.
std::string UnixPathOfWineEntry(const std::string& entry, const WineDriveTarget& driveTarget);

// The Win32 program may have saved a component by its 8.3 alias ("MUSIC~1", "SONG~AB1.MP3", as
// Windows and Wine make them). Where such a component does not exist literally, it stands for the
// one entry of its folder whose name, upper-cased with the characters a short name cannot hold
// dropped or written as '_', starts with the part before '~', and whose extension starts with the
// alias's. The path with every such component resolved; unchanged when one fits no entry or
// several (never a guess). listFolder gives a folder's names, null when it cannot be listed.
using FolderLister = std::function<const std::vector<std::string>*(const std::string& folder)>;
std::string ResolveShortNames(const std::string& unixPath, const FolderLister& listFolder);

// Turns a saved list's entries as UnixPathOfWineEntry does, asking driveTarget once per drive
// however many entries name it, and resolving short names (above) through files.
class WineEntryAdopter {
 public:
  WineEntryAdopter(WineDriveTarget driveTarget, FileSystem& files);
  std::string UnixPathOf(const std::string& entry);

 private:
  WineDriveTarget driveTarget_;
  FileSystem* files_;
  // A drive's folder, "" for an unknown one: asking means a realpath of the prefix's link.
  std::map<char, std::string> drives_;
  // Each folder's names, listed once: a list holds many entries of one folder.
  std::map<std::string, std::vector<std::string>> listings_;
};
