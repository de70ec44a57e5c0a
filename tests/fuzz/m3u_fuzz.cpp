#include "playlist/playlist_readers.h"
#include "tests/fuzz/playlist_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // After "#EXTM3U" the lines come in pairs: an ignored line, then a path.
  CheckPlaylistReader("list.m3u", ReadM3u, 2, data, size);
  return 0;
}
