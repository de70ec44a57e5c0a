#include "playlist/playlist_readers.h"

#include "app/app_state.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playlist/text_file.h"

namespace {

// Linux players write their playlists in UTF-8; such a line names its file through the code page
// as the program can open it. Every other line keeps its bytes.
std::string EntryPath(const std::string& line) {
  std::u16string text;
  if (!g_platform.paths || !IsUtf8Line(line, &text)) return line;
  return g_platform.paths->Narrow(text);
}

}  // namespace

void ReadM3u(const std::string& path) {
  TextReader reader;
  if (!OpenTextFile(path, &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  if (!reader.ReadChars(8, &line) || line != "#EXTM3U\n") return;
  // Lines come in pairs: an #EXTINF line, ignored, then the path.
  for (;;) {
    reader.ReadLine(&line);
    if (!reader.ReadLine(&line)) break;
    g_app.playlist.Append(EntryPath(line));
  }
}

void ReadPls(const std::string& path) {
  TextReader reader;
  if (!OpenTextFile(path, &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  if (!reader.ReadChars(11, &line) || line != "[playlist]\n") return;
  // Lines come in threes: FileN=path, then the title and length lines, ignored.
  std::string ignored;
  while (reader.ReadLine(&line)) {
    if (line.compare(0, 15, "NumberOfEntries") == 0) break;
    size_t equals = line.rfind('=');
    std::string entry = equals == std::string::npos ? line : line.substr(equals + 1);
    reader.ReadLine(&ignored);
    reader.ReadLine(&ignored);
    g_app.playlist.Append(EntryPath(entry));
  }
}
