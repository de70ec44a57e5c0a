// LoadSavedPlaylist on arbitrary bytes, then a save and a second load: the file the program
// writes must read back as the same playlist.
#include <cstdint>
#include <vector>

#include "core/app_state.h"
#include "playlist/saved_playlist.h"
#include "tests/fuzz/fuzz_state.h"

namespace {

std::vector<std::string> Entries() {
  std::vector<std::string> entries;
  for (uint32_t i = 0; i < g_app.playlist.Count(); ++i)
    entries.push_back(g_app.playlist.EntryAt(i));
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzState state;
  state.Put("current.spl", data, size);
  LoadSavedPlaylist();
  std::vector<std::string> loaded = Entries();
  for (const std::string& entry : loaded) FUZZ_CHECK(entry.find('\n') == std::string::npos);

  g_app.playlistLoaded = true;
  SavePlaylist();
  bool saved = state.files.files.count("mem/current.spl") != 0;
  FUZZ_CHECK(saved == !loaded.empty());
  g_app.playlist.Clear();
  LoadSavedPlaylist();
  // No line break follows the last entry, so a last entry that is empty does not come back.
  if (!loaded.empty() && loaded.back().empty()) loaded.pop_back();
  FUZZ_CHECK(Entries() == loaded);
  return 0;
}
