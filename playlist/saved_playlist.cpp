#include "playlist/saved_playlist.h"

#include "core/app_state.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "playlist/text_file.h"

namespace {

std::string SavedPlaylistPath() {
  return g_app.programDirectory + "current.spl";
}

}  // namespace

void SavePlaylist() {
  if (!g_app.playlistLoaded || !g_platform.files) return;
  const Playlist& playlist = g_app.playlist;
  if (playlist.Count() == 0) {
    g_platform.files->RemoveFile(SavedPlaylistPath());
    return;
  }
  std::string text;
  for (uint32_t i = 0; i < playlist.Count(); ++i) {
    if (i != 0) text += '\n';
    text += playlist.EntryAt(i);
  }
  // A failed write keeps the previous file; saving is silent by design.
  g_platform.files->WriteFileAtomically(SavedPlaylistPath(), ToTextMode(text));
}

void LoadSavedPlaylist() {
  TextReader reader;
  if (!OpenTextFile(SavedPlaylistPath(), &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  while (reader.ReadLine(&line)) g_app.playlist.Append(line);
}
