#include "playlist/playlist.h"

#include "core/app_state.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playlist/file_types.h"

void StepNext() {
  uint32_t last = g_app.playlist.Count() - 1u;  // 4294967295 for an empty list
  g_app.CurrentIndex = g_app.CurrentIndex < last ? g_app.CurrentIndex + 1u : 0u;
}

void StepPrevious() {
  g_app.CurrentIndex =
      g_app.CurrentIndex != 0 ? g_app.CurrentIndex - 1u : g_app.playlist.Count() - 1u;
}

bool HasCurrentEntry() {
  return g_app.playlist.Count() != 0 && g_app.CurrentIndex <= g_app.playlist.Count() - 1u;
}

std::string LowerExtensionOfFile(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  // Every alias has a '~': other names are not asked after, which keeps a folder scan quick.
  if (!g_platform.paths ||
      path.find('~', slash == std::string::npos ? 0 : slash) == std::string::npos)
    return LowerExtension(path);
  std::u16string longName = g_platform.paths->LongName(path);
  return LowerExtension(longName.empty() ? path : EncodeUtf8(longName));
}

bool IsTrackExtension(const std::string& lowerExtension) {
  const FileType* type = FindFileType(lowerExtension);
  return type && !IsPlaylistType(*type);
}
