// LoadConfig on an arbitrary "config.cfg", then a save and a second load: whatever was read must
// be written as the lines of the format and read back to the same values.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/app_state.h"
#include "settings/config_file.h"
#include "settings/hotkeys.h"
#include "tests/fuzz/fuzz_state.h"

namespace {

std::vector<int32_t> Numbers() {
  std::vector<int32_t> numbers = {g_app.Volume,  g_app.Mute,     g_app.Repeat,
                                  g_app.Shuffle, g_app.Autoload, g_app.Autoplay};
  for (const HotkeyBinding& binding : HotkeyBindings) {
    numbers.push_back(binding.Id1);
    numbers.push_back(binding.Id2);
    numbers.push_back(binding.Id3);
  }
  return numbers;
}

std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const HotkeyBinding& binding : HotkeyBindings) {
    names.push_back(binding.Name1);
    names.push_back(binding.Name2);
    names.push_back(binding.Name3);
  }
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzState state;
  state.Put("hotkeys.txt", "", 0);
  std::string path = state.Put("config.cfg", data, size);
  FUZZ_CHECK(LoadConfig() == 0);
  std::vector<int32_t> numbers = Numbers();
  std::vector<std::string> names = Names();
  for (const std::string& name : names) {
    FUZZ_CHECK(name.find('\n') == std::string::npos);
    FUZZ_CHECK(name.find('=') == std::string::npos);
  }

  SaveConfig();
  const std::string& saved = state.files.files[path];
  FUZZ_CHECK(std::count(saved.begin(), saved.end(), '\n') == 79);
  FUZZ_CHECK(LoadConfig() == 0);
  FUZZ_CHECK(Numbers() == numbers);
  // A name can end in a CR only when it was the last line of a cut file with no line end; written
  // back, that CR joins the line end.
  for (std::string& name : names)
    if (!name.empty() && name.back() == '\r') name.pop_back();
  FUZZ_CHECK(Names() == names);
  return 0;
}
