#include "playlist/playlist_readers.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playlist/playlist_entries.h"
#include "playlist/text_file.h"

namespace {

// Linux players write their playlists in UTF-8; such a line names its file through the code page
// as the program can open it. Every other line keeps its bytes.
std::string EntryPath(const std::string& line) {
  std::u16string text;
  if (!g_platform.paths || !IsUtf8Line(line, &text)) return line;
  return g_platform.paths->Narrow(text);
}

// A track line: a file URI becomes its path, another URL is skipped, and the path is resolved
// against the playlist's folder after its bytes have been read.
void AppendEntry(const std::string& playlistPath, const std::string& line) {
  std::string path;
  if (!LinePath(line, &path)) return;
  path = EntryPath(path);
  if (!path.empty()) g_app.playlist.Append(ResolveEntry(playlistPath, path));
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
  for (bool first = true; reader.ReadLine(&line); first = false) {
    if (first) SkipByteOrderMark(&line);
    // Without a header to test, a NUL byte tells a binary file: it is no list of tracks.
    if (line.find('\0') != std::string::npos) {
      g_app.playlist.Clear();
      return;
    }
    if (line.empty() || line[0] == '#') continue;
    AppendEntry(path, line);
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
  SkipByteOrderMark(&line);
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
  for (const auto& [number, entry] : files) AppendEntry(path, entry);
}
