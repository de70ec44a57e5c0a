// The one process-wide object that holds the player's data. Every operation reads and changes it
// directly; there are no copies.
#pragma once

#include <cstdint>
#include <string>

#include "playlist/playlist.h"

struct ApplicationState {
  std::string programDirectory;  // ends in a backslash (a slash in native tests)
  std::string programFilePath;
  uint32_t Channel = 0;
  int32_t Volume = 0;
  std::string hotkeyFileText;
  Playlist playlist;
  int32_t Shuffle = 0;
  int32_t Repeat = 0;
  int32_t Autoload = 0;
  int32_t Autoplay = 0;
  int32_t Mute = 0;
  uint32_t CurrentIndex = 0;

  // False until LoadConfig has read "config.cfg": a start that could not read the user's settings
  // must not overwrite them with zeros.
  bool configLoaded = false;
  // False until start-up or the user has filled the playlist: a start that ended early must not
  // delete the "current.spl" of the previous run before the user has put a list of their own.
  bool playlistLoaded = false;
};

extern ApplicationState g_app;

// Resets g_app to its state before start-up; used by tests.
void ResetApplicationState();
