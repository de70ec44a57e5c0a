#include "playlist/playlist_readers.h"
#include "tests/fuzz/playlist_reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckPlaylistReader("list.pls", ReadPls, data, size);
  return 0;
}
