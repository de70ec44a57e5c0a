#include "playlist/wine_paths.h"

#include "platform/tag_text.h"

std::string UnixPathOfWineEntry(const std::string& entry, const WineDriveTarget& driveTarget) {
  bool drivePath = entry.size() >= 3 && entry[1] == ':' && entry[2] == '\\' &&
                   ((entry[0] >= 'a' && entry[0] <= 'z') || (entry[0] >= 'A' && entry[0] <= 'Z'));
  if (!drivePath) return entry;
  char drive = static_cast<char>(entry[0] | 0x20);
  std::string root;
  if (drive != 'z') {
    root = driveTarget ? driveTarget(drive) : "";
    if (root.empty()) return entry;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    if (root == "/") root.clear();
  }
  std::string rest = entry.substr(2);
  for (char& c : rest)
    if (c == '\\') c = '/';
  // Wine writes a doubled separator as one; so does every Unix call.
  std::string path;
  for (char c : rest)
    if (!(c == '/' && !path.empty() && path.back() == '/')) path += c;
  return root + Windows1251ToUtf8(path);
}
