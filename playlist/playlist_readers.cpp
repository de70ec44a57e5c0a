#include "playlist/playlist_readers.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "core/app_state.h"
#include "platform/file_system.h"
#include "platform/percent_escapes.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playlist/playlist.h"
#include "playlist/playlist_entries.h"
#include "playlist/text_file.h"

namespace {

bool NamesFile(const std::string& path) {
  return g_platform.files && g_platform.files->OpenMediaFile(path) != nullptr;
}

// Linux players write their playlists in UTF-8; such a line names its file through the code page
// as the program can open it. But Windows-1251 text may form valid UTF-8 too ("ВЁ" is C2 A8), so
// unless the file says it is UTF-8 a line keeps its bytes, and is read as UTF-8 only when that
// alone names a file. A name Windows forbids ("Why?.mp3") is reached by its alias either way.
std::string EntryPath(const std::string& line, bool utf8File) {
  std::u16string text;
  if (!g_platform.paths) return line;
  if (!IsUtf8Line(line, &text)) {
    if (line.find_first_of("\"*<>?|") == std::string::npos) return line;
    return g_platform.paths->Narrow(g_platform.paths->Widen(line));
  }
  std::string converted = g_platform.paths->Narrow(text);
  if (utf8File || (NamesFile(converted) && !NamesFile(line))) return converted;
  return line;
}

// A path beginning with one slash, as Linux tools write them.
bool IsUnixRooted(const std::string& path) {
  return path.size() >= 2 && path[0] == '/' && path[1] != '/';
}

// The path resolved against the playlist's folder, then read: whole, so that a UTF-8 name gets
// its aliases, or, where the folder's own bytes are no UTF-8, the entry alone. A Unix path names
// its Unix file where the program has them: always from a URI, from a plain line when that file
// exists; the playlist's drive would make it another file.
std::string ProgramPath(const std::string& playlistPath, const std::string& path, bool utf8,
                        bool uri) {
  if (g_platform.paths && IsUnixRooted(path)) {
    std::string unixFile = g_platform.paths->FromUnix(path);
    if (!unixFile.empty() && (uri || NamesFile(unixFile))) return unixFile;
  }
  std::string resolved = ResolveEntry(playlistPath, path);
  std::string entry = EntryPath(resolved, utf8);
  if (entry == resolved && resolved != path)
    entry = ResolveEntry(playlistPath, EntryPath(path, utf8));
  return entry;
}

// A track line: a file URI becomes its path (UTF-8, as URIs are), another URL is skipped. A line
// that names no file as written but does percent-decoded is that file: VLC writes its relative
// entries so.
void AppendEntry(const std::string& playlistPath, const std::string& line, bool utf8File) {
  std::string path;
  bool uri = false;
  if (!LinePath(line, &path, &uri) || path.empty()) return;
  std::string entry = ProgramPath(playlistPath, path, utf8File || uri, uri);
  if (!uri && path.find('%') != std::string::npos && !NamesFile(entry)) {
    std::string bytes = PercentDecoded(path);
    // A line feed or NUL would split the entry in current.spl or cut it short.
    bool plain = std::none_of(bytes.begin(), bytes.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    std::string decoded = plain ? ProgramPath(playlistPath, bytes, true, false) : "";
    if (plain && NamesFile(decoded)) entry = decoded;
  }
  g_app.playlist.Append(entry);
}

// "FileN=" in any case: N, or -1 for any other line.
long FileKeyNumber(const std::string& line, size_t equals) {
  if (equals == std::string::npos || equals <= 4) return -1;
  std::string key = line.substr(0, equals);
  for (size_t i = 0; i < 4; ++i)
    key[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
  if (key.compare(0, 4, "file") != 0) return -1;
  long number = 0;
  for (size_t i = 4; i < key.size(); ++i) {
    if (key[i] < '0' || key[i] > '9' || number > 100000000) return -1;
    number = number * 10 + (key[i] - '0');
  }
  return number;
}

}  // namespace

// Every line that is neither blank nor begins with "#" (the header, #EXTINF and other directives,
// comments) is a track; the header is optional, as most Linux tools leave it out.
void ReadM3u(const std::string& path) {
  TextReader reader;
  if (!OpenTextFile(path, &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  bool utf8File = LowerExtensionOfFile(path) == "m3u8";
  for (bool first = true; reader.ReadLine(&line); first = false) {
    if (first && SkipByteOrderMark(&line)) utf8File = true;
    // Without a header to test, a NUL byte tells a binary file: it is no list of tracks.
    if (line.find('\0') != std::string::npos) {
      g_app.playlist.Clear();
      return;
    }
    if (line.empty() || line[0] == '#') continue;
    AppendEntry(path, line, utf8File);
  }
}

// The tracks of the FileN keys in N order, each path whole after "FileN="; every other key
// (Title, Length, NumberOfEntries, Version) is ignored wherever it stands.
void ReadPls(const std::string& path) {
  TextReader reader;
  if (!OpenTextFile(path, &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  if (!reader.ReadLine(&line)) return;
  bool utf8File = SkipByteOrderMark(&line);
  std::string header = line;
  for (char& c : header) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (header != "[playlist]") return;
  std::vector<std::pair<long, std::string>> files;
  while (reader.ReadLine(&line)) {
    size_t equals = line.find('=');
    long number = FileKeyNumber(line, equals);
    if (number >= 0) files.emplace_back(number, line.substr(equals + 1));
  }
  std::stable_sort(files.begin(), files.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [number, entry] : files) AppendEntry(path, entry, utf8File);
}
