#include "playlist/open_path.h"

#include <vector>

#include "app/app_state.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "playlist/file_types.h"
#include "playlist/playlist.h"
#include "playlist/playlist_readers.h"

void OpenPath(const std::string& path) {
  g_app.playlist.Clear();
  const FileType* type = FindFileType(LowerExtensionOfFile(path));
  std::string reader = type && IsPlaylistType(*type) ? type->opens : "";
  if (reader == "m3u") {
    ReadM3u(path);
  } else if (reader == "pls") {
    ReadPls(path);
  } else {
    g_app.playlist.Append(path);
  }
  g_app.CurrentIndex = 0;
  g_app.playlistLoaded = true;  // the user's now, also after a start that ended early
}

bool FillFromFolder(const std::string& folder) {
  std::vector<std::string> names;
  if (!g_platform.files || !g_platform.files->ListFolder(folder + "\\*.*", &names)) return false;
  Playlist& playlist = g_app.playlist;
  playlist.Clear();
  for (const std::string& name : names) {
    if (name == "." || name == "..") continue;
    // Kind is not looked at: a sub-folder named like a track is taken like a file.
    std::string path = folder + "\\" + name;
    if (IsTrackExtension(LowerExtensionOfFile(path))) playlist.Append(path);
  }
  if (playlist.Count() != 0 && g_app.CurrentIndex > playlist.Count() - 1u) g_app.CurrentIndex = 0;
  g_app.playlistLoaded = true;
  return true;
}
