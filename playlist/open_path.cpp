#include "playlist/open_path.h"

#include <vector>

#include "core/app_state.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "playback/player.h"
#include "playlist/file_types.h"
#include "playlist/playlist.h"
#include "playlist/playlist_entries.h"
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

namespace {

// The folder's track paths in the listing's order; false when it cannot be listed.
bool ListTracks(const std::string& folder, std::vector<std::string>* tracks) {
  // In a Unix folder a backslash may be part of a name: only '/' joins.
  std::string prefix = folder + (IsUnixPath(folder) ? "/" : "\\");
  std::vector<std::string> names;
  if (!g_platform.files || !g_platform.files->ListFolder(prefix + "*.*", &names)) return false;
  for (const std::string& name : names) {
    if (name == "." || name == "..") continue;
    // Kind is not looked at: a sub-folder named like a track is taken like a file.
    std::string path = prefix + name;
    if (IsTrackExtension(LowerExtensionOfFile(path))) tracks->push_back(path);
  }
  return true;
}

void ReplacePlaylist(const std::vector<std::string>& tracks) {
  g_app.playlist.Clear();
  for (const std::string& path : tracks) g_app.playlist.Append(path);
  g_app.playlistLoaded = true;
}

}  // namespace

bool FillFromFolder(const std::string& folder) {
  std::vector<std::string> tracks;
  if (!ListTracks(folder, &tracks)) return false;
  ReplacePlaylist(tracks);
  if (!tracks.empty() && g_app.CurrentIndex > tracks.size() - 1u) g_app.CurrentIndex = 0;
  return true;
}

bool OpenLaunchPath(const std::string& path) {
  // "Z:\music\" names the folder as "Z:\music" does; a root such as "D:\" keeps its backslash, and
  // so does a Unix folder whose name ends in one.
  std::string folder = path;
  if (folder.size() > 1 && folder[folder.size() - 2] != ':' &&
      (folder.back() == '/' || (folder.back() == '\\' && !IsUnixPath(folder))))
    folder.pop_back();
  std::vector<std::string> tracks;
  if (!ListTracks(folder, &tracks)) {
    OpenPath(path);
    return true;
  }
  if (tracks.empty()) return false;
  ReplacePlaylist(tracks);
  g_app.CurrentIndex = 0;
  return true;
}

void OpenChosenFile(const std::string& path) {
  if (path.empty()) return;
  OpenPath(path);
  PlayCurrent();
}

bool FillFromChosenFolder(const std::string& folder) {
  if (folder.empty()) return false;
  return FillFromFolder(folder);
}
