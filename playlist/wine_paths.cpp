#include "playlist/wine_paths.h"

#include <algorithm>
#include <cstring>
#include <utility>

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

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Characters an 8.3 name cannot hold; any outside ASCII is one too.
bool IsInvalidShortChar(unsigned char c) {
  return c > 0x7F || c < 0x20 || std::strchr("*?<>|\"+=,;[] ~.", c) != nullptr;
}

// How a maker of short names treats the characters they cannot hold.
enum class InvalidChars {
  kDropped,      // Windows: left out
  kUnderscored,  // Wine: each written as '_'
  kDotsDropped,  // newer Wine: dots left out, the others written as '_'
};

// Whether text, as the maker would write it in a short name, starts with start (upper case).
bool ShortFormStartsWith(const std::string& text, const std::string& start, InvalidChars rule) {
  size_t matched = 0;
  for (size_t i = 0; i < text.size() && matched < start.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    // A character outside ASCII counts once, at its first UTF-8 byte.
    if (c >= 0x80 && c < 0xC0) continue;
    char letter = Upper(static_cast<char>(c));
    if (IsInvalidShortChar(c)) {
      if (rule == InvalidChars::kDropped || (rule == InvalidChars::kDotsDropped && c == '.'))
        continue;
      letter = '_';
    }
    if (letter != start[matched]) return false;
    ++matched;
  }
  return matched == start.size();
}

bool ShortFormsStartWith(const std::string& text, const std::string& start) {
  for (InvalidChars rule :
       {InvalidChars::kDropped, InvalidChars::kUnderscored, InvalidChars::kDotsDropped})
    if (ShortFormStartsWith(text, start, rule)) return true;
  return false;
}

// A name's stem and extension: the extension follows its last dot, neither the first nor the
// last character.
void SplitExtension(const std::string& name, std::string* stem, std::string* extension) {
  size_t dot = name.rfind('.');
  bool hasExtension = dot != std::string::npos && dot > 0 && dot + 1 < name.size();
  *stem = hasExtension ? name.substr(0, dot) : name;
  *extension = hasExtension ? name.substr(dot + 1) : "";
}

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// An alias as Windows ("SONGNA~1.MP3") and Wine ("SONG~AB1.MP3", "A_B~~XYZ") make them: a stem
// of at most 8, a '~' after a non-empty start and letters, digits or '~' after it, an extension
// of at most 3. Its start and extension upper-cased.
bool ParseShortName(const std::string& name, std::string* start, std::string* extension) {
  std::string stem;
  SplitExtension(name, &stem, extension);
  size_t tilde = stem.find('~');
  if (stem.size() > 8 || extension->size() > 3 || tilde == std::string::npos || tilde == 0 ||
      tilde + 1 == stem.size())
    return false;
  for (size_t i = tilde + 1; i < stem.size(); ++i)
    if (!IsAsciiAlnum(stem[i]) && stem[i] != '~') return false;
  if (name.find(' ') != std::string::npos) return false;
  *start = stem.substr(0, tilde);
  for (char& c : *start) c = Upper(c);
  for (char& c : *extension) c = Upper(c);
  return true;
}

bool CanStandFor(const std::string& start, const std::string& extension, const std::string& name) {
  std::string stem, nameExtension;
  SplitExtension(name, &stem, &nameExtension);
  if (extension.empty() != nameExtension.empty()) return false;
  return ShortFormsStartWith(stem, start) && ShortFormsStartWith(nameExtension, extension);
}

// The one name of names that alias can stand for; "" for none or several.
std::string LongNameOf(const std::string& alias, const std::vector<std::string>& names) {
  std::string start, extension;
  if (!ParseShortName(alias, &start, &extension)) return "";
  std::string found;
  for (const std::string& name : names) {
    if (name == "." || name == ".." || !CanStandFor(start, extension, name)) continue;
    if (!found.empty()) return "";
    found = name;
  }
  return found;
}

}  // namespace

std::string ResolveShortNames(const std::string& unixPath, const FolderLister& listFolder) {
  if (unixPath.empty() || unixPath[0] != '/' || unixPath.find('~') == std::string::npos)
    return unixPath;
  std::string resolved;
  for (size_t start = 1; start <= unixPath.size();) {
    size_t end = std::min(unixPath.find('/', start), unixPath.size());
    std::string component = unixPath.substr(start, end - start);
    if (component.find('~') != std::string::npos) {
      const std::vector<std::string>* names = listFolder(resolved.empty() ? "/" : resolved);
      if (!names) return unixPath;
      if (std::find(names->begin(), names->end(), component) == names->end()) {
        component = LongNameOf(component, *names);
        if (component.empty()) return unixPath;
      }
    }
    resolved += "/" + component;
    start = end + 1;
  }
  return resolved;
}

WineEntryAdopter::WineEntryAdopter(WineDriveTarget driveTarget, FileSystem& files)
    : driveTarget_(std::move(driveTarget)), files_(&files) {}

std::string WineEntryAdopter::UnixPathOf(const std::string& entry) {
  std::string unixPath = UnixPathOfWineEntry(entry, [this](char drive) {
    auto known = drives_.find(drive);
    if (known == drives_.end())
      known = drives_.emplace(drive, driveTarget_ ? driveTarget_(drive) : "").first;
    return known->second;
  });
  // Only the Win32 program's entries may hold aliases.
  if (unixPath == entry) return entry;
  return ResolveShortNames(unixPath, [this](const std::string& folder) {
    auto listed = listings_.find(folder);
    if (listed == listings_.end()) {
      std::vector<std::string> names;
      // An unlistable folder is kept as an empty one: no alias resolves in it.
      if (!files_->ListFolder(folder == "/" ? "/*" : folder + "/*", &names)) names.clear();
      listed = listings_.emplace(folder, std::move(names)).first;
    }
    return &listed->second;
  });
}
