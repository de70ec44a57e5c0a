#include "platform/cover_cache_linux.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

#include "platform/cover_cache.h"
#include "platform/file_system.h"
#include "platform/media_controls.h"
#include "platform/unix_files_x11.h"

namespace {

// When the file was last written or used (its modification time, which use sets); -1 for none.
int64_t UsedAt(const std::string& path, int64_t* bytes) {
  struct stat info = {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  *bytes = info.st_size;
  return static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

void RemoveOldCovers(FileSystem& files, const std::string& folder, const std::string& keep) {
  std::vector<std::string> names;
  if (!files.ListFolder(folder + "/*", &names)) return;
  std::vector<CachedCover> covers;
  for (const std::string& name : names) {
    CachedCover cover;
    cover.name = name;
    if (!IsCoverFileName(name)) continue;
    cover.usedAt = UsedAt(folder + "/" + name, &cover.bytes);
    if (cover.usedAt >= 0) covers.push_back(cover);
  }
  for (const std::string& name :
       CoversToRemove(covers, keep, kMaxCachedCovers, kMaxCachedCoverBytes))
    files.RemoveFile(folder + "/" + name);
}

}  // namespace

std::string StoreCover(FileSystem& files, const std::string& folder, const std::string& picture) {
  std::string name = CoverFileName(picture);
  if (name.empty() || folder.empty()) return "";
  std::string path = folder + "/" + name;
  int64_t bytes = 0;
  if (UsedAt(path, &bytes) >= 0 && bytes == static_cast<int64_t>(picture.size())) {
    // Used again: it moves to the front of the cache's order.
    utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
  } else {
    if (!MakeUnixFoldersFor(path) || !files.WriteFileAtomically(path, picture)) return "";
    RemoveOldCovers(files, folder, name);
  }
  return FileUriOfPath(path);
}

std::string FolderCoverUrl(FileSystem& files, const std::string& trackPath) {
  std::string folder = trackPath.substr(0, trackPath.rfind('/'));
  std::vector<std::string> names;
  if (folder.empty() || !files.ListFolder(folder + "/*", &names)) return "";
  std::string best;
  int bestRank = 3;
  for (const std::string& name : names) {
    int rank = FolderPictureRank(name);
    // The system's order is no order: ties go to the smaller name, so every start picks alike.
    if (rank >= 0 && (rank < bestRank || (rank == bestRank && name < best))) {
      best = name;
      bestRank = rank;
    }
  }
  int64_t bytes = 0;
  if (best.empty() || UsedAt(folder + "/" + best, &bytes) < 0) return "";
  return FileUriOfPath(folder + "/" + best);
}
