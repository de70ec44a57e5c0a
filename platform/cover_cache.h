// The pictures of tracks as the desktop's player widgets read them: files in a cache folder of
// their own, named after their content so that a picture shared by an album's tracks is written
// once, and bounded so that the folder never grows without end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The bounds: the most recently used pictures stay, the older ones are removed past either.
constexpr size_t kMaxCachedCovers = 200;
constexpr int64_t kMaxCachedCoverBytes = 64ll << 20;
// A larger embedded picture is not cached (the folder's picture, if any, is shown instead).
constexpr int64_t kMaxCoverBytes = 16ll << 20;

// ".jpg", ".png", ".gif", ".webp" or ".bmp" by the picture's first bytes; empty for anything that
// is no image of those kinds.
std::string PictureExtension(const std::string& bytes);

// The cache's name of a picture: 64-bit FNV-1a of its bytes and their count in hex, then its
// extension. Empty when it is no image or is too large to cache.
std::string CoverFileName(const std::string& bytes);

// True for a file the cache may hold: a name CoverFileName can give. Anything else in the folder
// is left alone.
bool IsCoverFileName(const std::string& name);

struct CachedCover {
  std::string name;
  int64_t bytes = 0;
  int64_t usedAt = 0;  // when last written or used, in any steady unit
};
// The names to remove so that at most maxCount pictures of at most maxBytes in all stay, the
// least recently used first; keep (the picture just stored) always stays.
std::vector<std::string> CoversToRemove(std::vector<CachedCover> covers, const std::string& keep,
                                        size_t maxCount, int64_t maxBytes);

// How a picture beside the track ranks as its cover: 0 for "cover", 1 "folder", 2 "front"
// (any case, .jpg, .jpeg or .png); -1 for any other name.
int FolderPictureRank(const std::string& name);

// $XDG_CACHE_HOME/tunlark/covers, or ~/.cache/tunlark/covers when that is unset or relative;
// empty when neither is known. Arguments may be null.
std::string CoverCacheFolder(const char* xdgCacheHome, const char* home);
