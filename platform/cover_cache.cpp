#include "platform/cover_cache.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

bool StartsWith(const std::string& bytes, const char* prefix, size_t length, size_t at = 0) {
  return bytes.size() >= at + length && bytes.compare(at, length, prefix, length) == 0;
}

std::string Lowercase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const char* const kExtensions[] = {".jpg", ".png", ".gif", ".webp", ".bmp"};

}  // namespace

std::string PictureExtension(const std::string& bytes) {
  if (StartsWith(bytes, "\xFF\xD8\xFF", 3)) return ".jpg";
  if (StartsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) return ".png";
  if (StartsWith(bytes, "GIF87a", 6) || StartsWith(bytes, "GIF89a", 6)) return ".gif";
  if (StartsWith(bytes, "RIFF", 4) && StartsWith(bytes, "WEBP", 4, 8)) return ".webp";
  if (StartsWith(bytes, "BM", 2) && bytes.size() > 26) return ".bmp";
  return "";
}

std::string CoverFileName(const std::string& bytes) {
  std::string extension = PictureExtension(bytes);
  if (extension.empty() || static_cast<int64_t>(bytes.size()) > kMaxCoverBytes) return "";
  uint64_t hash = 0xCBF29CE484222325ull;
  for (char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ull;
  }
  char name[64];
  std::snprintf(name, sizeof name, "%016llx-%llx", static_cast<unsigned long long>(hash),
                static_cast<unsigned long long>(bytes.size()));
  return name + extension;
}

bool IsCoverFileName(const std::string& name) {
  size_t dash = name.find('-');
  size_t dot = name.find('.');
  if (dash != 16 || dot == std::string::npos || dot <= dash + 1) return false;
  for (size_t i = 0; i < dot; ++i)
    if (i != dash && !std::isxdigit(static_cast<unsigned char>(name[i]))) return false;
  std::string extension = name.substr(dot);
  return std::find(std::begin(kExtensions), std::end(kExtensions), extension) !=
         std::end(kExtensions);
}

std::vector<std::string> CoversToRemove(std::vector<CachedCover> covers, const std::string& keep,
                                        size_t maxCount, int64_t maxBytes) {
  // Newest first; the one just stored before all.
  std::stable_sort(covers.begin(), covers.end(), [&](const CachedCover& a, const CachedCover& b) {
    if ((a.name == keep) != (b.name == keep)) return a.name == keep;
    return a.usedAt > b.usedAt;
  });
  std::vector<std::string> removed;
  size_t count = 0;
  int64_t total = 0;
  for (const CachedCover& cover : covers) {
    bool fits = count < maxCount && total + cover.bytes <= maxBytes;
    if (fits || cover.name == keep) {
      ++count;
      total += cover.bytes;
    } else {
      removed.push_back(cover.name);
    }
  }
  return removed;
}

int FolderPictureRank(const std::string& name) {
  static const char* const kStems[] = {"cover", "folder", "front"};
  std::string lower = Lowercase(name);
  size_t dot = lower.rfind('.');
  if (dot == std::string::npos) return -1;
  std::string extension = lower.substr(dot);
  if (extension != ".jpg" && extension != ".jpeg" && extension != ".png") return -1;
  for (int rank = 0; rank < 3; ++rank)
    if (lower.compare(0, dot, kStems[rank]) == 0) return rank;
  return -1;
}

std::string CoverCacheFolder(const char* xdgCacheHome, const char* home) {
  std::string base;
  if (xdgCacheHome && xdgCacheHome[0] == '/') {
    base = xdgCacheHome;
  } else if (home && home[0] == '/') {
    base = std::string(home) + "/.cache";
  } else {
    return "";
  }
  return base + "/tunlark/covers";
}
