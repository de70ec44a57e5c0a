#include "playlist/playlist_readers.h"

#include "app/app_state.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/wide_paths.h"
#include "playlist/playlist.h"
#include "playlist/text_file.h"

namespace {

bool NamesFile(const std::string& path) {
  return g_platform.files && g_platform.files->OpenMediaFile(path) != nullptr;
}

// Linux players write their playlists in UTF-8; such a line names its file through the code page
// as the program can open it. But Windows-1251 text may form valid UTF-8 too ("ВЁ" is C2 A8), so
// unless the file says it is UTF-8 a line keeps its bytes, and is read as UTF-8 only when that
// alone names a file.
std::string EntryPath(const std::string& line, bool utf8File) {
  std::u16string text;
  if (!g_platform.paths || !IsUtf8Line(line, &text)) return line;
  std::string converted = g_platform.paths->Narrow(text);
  if (utf8File || (NamesFile(converted) && !NamesFile(line))) return converted;
  return line;
}

}  // namespace

void ReadM3u(const std::string& path) {
  TextReader reader;
  if (!OpenTextFile(path, &reader)) return;
  g_app.playlist.Clear();
  std::string line;
  if (!reader.ReadChars(8, &line) || line != "#EXTM3U\n") return;
  bool utf8File = LowerExtensionOfFile(path) == "m3u8";
  // Lines come in pairs: an #EXTINF line, ignored, then the path.
  for (;;) {
    reader.ReadLine(&line);
    if (!reader.ReadLine(&line)) break;
    g_app.playlist.Append(EntryPath(line, utf8File));
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
    g_app.playlist.Append(EntryPath(entry, false));
  }
}
