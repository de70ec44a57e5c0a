#include "playlist/file_types.h"

#include <algorithm>

const std::vector<FileType>& FileTypes() {
  static const std::vector<FileType> rows = {
#include "playlist/file_type_rows.inc"
  };
  return rows;
}

const FileType* FindFileType(const std::string& lowerExtension) {
  for (const FileType& type : FileTypes())
    if (lowerExtension == type.extension) return &type;
  return nullptr;
}

bool IsPlaylistType(const FileType& type) {
  return std::string(type.opens) == "m3u" || std::string(type.opens) == "pls";
}

std::vector<std::string> TrackExtensions() {
  std::vector<std::string> extensions;
  for (const FileType& type : FileTypes())
    if (!IsPlaylistType(type)) extensions.push_back(type.extension);
  return extensions;
}

std::string FilterPatterns() {
  std::vector<const FileType*> ordered;
  for (const FileType& type : FileTypes()) ordered.push_back(&type);
  std::stable_sort(ordered.begin(), ordered.end(), [](const FileType* a, const FileType* b) {
    return a->filterPlace < b->filterPlace;
  });
  std::string patterns;
  for (const FileType* type : ordered) {
    if (!patterns.empty()) patterns += ';';
    patterns += type->pattern;
  }
  return patterns;
}

std::string AnyCasePattern(const std::string& pattern) {
  std::string result;
  for (char c : pattern) {
    char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (lower == upper) {
      result += c;
    } else {
      result += std::string("[") + lower + upper + "]";
    }
  }
  return result;
}
