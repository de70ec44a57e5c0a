// Filling the playlist from a single path or from a folder's listing.
#pragma once

#include <string>

// Replaces the playlist with what path stands for (an M3U or PLS playlist by its extension, any
// other path as one track) and sets CurrentIndex to 0.
void OpenPath(const std::string& path);

// The listing part of the folder scan: lists folder + "\*.*", keeps the names with a track
// extension as folder + "\" + name, and sets CurrentIndex to 0 only when it lies past a non-empty
// new list. False (the playlist untouched) when the folder cannot be listed.
bool FillFromFolder(const std::string& folder);

// A path from the command line or a hand-over: a folder is scanned as the OpenFolder action does
// and its first track made current; any other path goes to OpenPath. False, with the playlist
// untouched, for a folder without tracks: the user's list is never replaced by nothing to play.
bool OpenLaunchPath(const std::string& path);

// The open-file command's step after its chooser: nothing for "" (cancelled, or a chooser already
// open); else the playlist replaced by what path stands for, and played.
void OpenChosenFile(const std::string& path);
// The open-folder command's step after its chooser: false for "" (cancelled, or a chooser already
// open), the playlist untouched; else what FillFromFolder returns.
bool FillFromChosenFolder(const std::string& folder);
