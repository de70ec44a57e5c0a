// What ReadM3u and ReadPls must do with any bytes: no crash, one line per entry, at most one
// entry per group of lines, and CurrentIndex left alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "tests/fuzz/fuzz_state.h"

inline void CheckPlaylistReader(const char* name, void (*reader)(const std::string&),
                                size_t linesPerEntry, const uint8_t* data, size_t size) {
  FuzzState state;
  std::string path = state.Put(name, data, size);
  g_app.CurrentIndex = 7;
  reader(path);

  const std::string& bytes = state.files.files[path];
  size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  const Playlist& playlist = g_app.playlist;
  FUZZ_CHECK(playlist.Count() <= lines / linesPerEntry + 1);
  for (uint32_t i = 0; i < playlist.Count(); ++i)
    FUZZ_CHECK(playlist.EntryAt(i).find('\n') == std::string::npos);
  FUZZ_CHECK(g_app.CurrentIndex == 7);
}
