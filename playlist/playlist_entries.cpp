#include "playlist/playlist_entries.h"

#include <algorithm>
#include <cctype>

#include "platform/percent_escapes.h"

namespace {

bool IsSlash(char c) {
  return c == '\\' || c == '/';
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

// "scheme://": two letters at least, so that "C://x" stays a drive path.
size_t SchemeLength(const std::string& line) {
  size_t i = 0;
  while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '+' ||
                             line[i] == '-' || line[i] == '.'))
    ++i;
  bool url =
      i >= 2 && std::isalpha(static_cast<unsigned char>(line[0])) && line.compare(i, 3, "://") == 0;
  return url ? i : 0;
}

}  // namespace

bool SkipByteOrderMark(std::string* firstLine) {
  if (firstLine->compare(0, 3, "\xEF\xBB\xBF") != 0) return false;
  firstLine->erase(0, 3);
  return true;
}

bool LinePath(const std::string& line, std::string* path, bool* uri) {
  size_t scheme = SchemeLength(line);
  if (uri) *uri = scheme != 0;
  if (scheme == 0) {
    *path = line;
    return true;
  }
  std::string name = line.substr(0, scheme);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (name != "file") return false;
  // file://host/path: only the local host, named or left out.
  std::string rest = line.substr(scheme + 3);
  size_t slash = rest.find('/');
  if (slash == std::string::npos) return false;
  std::string host = rest.substr(0, slash);
  for (char& c : host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!host.empty() && host != "localhost") return false;
  std::string decoded = PercentDecoded(rest.substr(slash));
  // "/C:/Music/a.mp3" names a drive; "/home/a.flac" stays rooted, a Unix path where there are.
  if (decoded.size() >= 3 && HasDrive(decoded.substr(1))) decoded.erase(0, 1);
  // "%0A" or "%00" would split the entry in current.spl or cut it short: no such file exists.
  for (char c : decoded)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  *path = decoded;
  return !path->empty();
}

bool IsUnixPath(const std::string& path) {
  return !path.empty() && path[0] == '/';
}

std::string ResolveEntry(const std::string& playlistPath, const std::string& written) {
  // A list from a Linux tool writes "/": in a Windows path it is "\\", as the program shows it.
  std::string path = written;
  bool unixPlaylist = IsUnixPath(playlistPath);
  if (!unixPlaylist && playlistPath.find('\\') != std::string::npos)
    std::replace(path.begin(), path.end(), '/', '\\');
  if (path.empty() || HasDrive(path) || (path.size() >= 2 && IsSlash(path[0]) && IsSlash(path[1])))
    return path;
  if (IsSlash(path[0])) return HasDrive(playlistPath) ? playlistPath.substr(0, 2) + path : path;
  size_t folderEnd = unixPlaylist ? playlistPath.rfind('/') : playlistPath.find_last_of("\\/");
  if (folderEnd == std::string::npos) return path;
  return playlistPath.substr(0, folderEnd + 1) + path;
}
