// The cover cache's files on the Linux side of the Winelib program (Unix paths).
#pragma once

#include <string>

class FileSystem;

// Stores picture in folder under its CoverFileName, unless it is there already (then marks it
// used), and removes the least recently used pictures past the bounds. The picture's file:// URL;
// empty when it is no image, too large, or cannot be written.
std::string StoreCover(FileSystem& files, const std::string& folder, const std::string& picture);

// The file:// URL of a "cover", "folder" or "front" picture in the track's folder; empty when
// there is none.
std::string FolderCoverUrl(FileSystem& files, const std::string& trackPath);
