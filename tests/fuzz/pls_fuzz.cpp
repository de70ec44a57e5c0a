#include "playlist/playlist_readers.h"
#include "tests/fuzz/playlist_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // After "[playlist]" the lines come in threes: FileN=path, then the title and length lines.
  CheckPlaylistReader("list.pls", ReadPls, 3, data, size);
  for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
    FUZZ_CHECK(g_app.playlist.EntryAt(i).find('=') == std::string::npos);
  return 0;
}
