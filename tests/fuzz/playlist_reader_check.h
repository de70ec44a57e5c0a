// What ReadM3u and ReadPls must do with any bytes: no crash, at most one entry per line, each a
// path that names its folder (a relative one resolved against the playlist's), and CurrentIndex
// left alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "tests/fuzz/fuzz_state.h"

inline void CheckPlaylistReader(const char* name, void (*reader)(const std::string&),
                                const uint8_t* data, size_t size) {
  FuzzState state;
  std::string path = state.Put(name, data, size);
  g_app.CurrentIndex = 7;
  reader(path);

  const std::string& bytes = state.files.files[path];
  size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
  const Playlist& playlist = g_app.playlist;
  FUZZ_CHECK(playlist.Count() <= lines);
  const std::string folder = path.substr(0, path.find_last_of("\\/") + 1);
  for (uint32_t i = 0; i < playlist.Count(); ++i) {
    const std::string& entry = playlist.EntryAt(i);
    FUZZ_CHECK(!entry.empty() && entry.find('\n') == std::string::npos);
    bool rooted = entry[0] == '\\' || entry[0] == '/' || (entry.size() >= 2 && entry[1] == ':');
    FUZZ_CHECK(rooted || entry.compare(0, folder.size(), folder) == 0);
  }
  FUZZ_CHECK(g_app.CurrentIndex == 7);
}
