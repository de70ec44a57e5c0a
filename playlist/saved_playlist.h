// "current.spl" in the program directory: the playlist's paths, one per line.
#pragma once

// Writes the playlist (atomically), or deletes the file when the playlist is empty. Does nothing
// while g_app.playlistLoaded is false, so an early-ended start loses nothing until the user fills
// the playlist.
void SavePlaylist();
// Replaces the playlist with the saved one; leaves it alone when there is no file.
void LoadSavedPlaylist();
