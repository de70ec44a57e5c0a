#include "settings/config_file.h"

#include <cstdint>
#include <limits>

#include "core/app_state.h"
#include "core/settings_saver.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "playlist/text_file.h"
#include "settings/hotkeys.h"

namespace {

std::string ProgramFile(const char* name) {
  return g_app.programDirectory + name;
}

}  // namespace

std::string ReadConfigValue(TextReader& reader, bool removeLineEnd) {
  std::string line;
  bool lineFeed = false;
  if (!reader.ReadLine(&line, &lineFeed)) return std::string();
  if (lineFeed) {
    // The reader has already taken the line feed off; a CR left before it (a CR CR LF ending)
    // belongs to the line end as well.
    if (removeLineEnd) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
    } else {
      line.push_back('\n');
    }
  }
  size_t equals = line.rfind('=');
  return equals == std::string::npos ? line : line.substr(equals + 1);
}

int32_t ConfigTextToInt(const std::string& text) {
  // Done by hand: isspace and strtol depend on the locale, and atoi overflows undefined.
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  const int64_t limit = static_cast<int64_t>(std::numeric_limits<int32_t>::max()) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;
  }
  if (negative) return static_cast<int32_t>(-value);
  return static_cast<int32_t>(value == limit ? limit - 1 : value);
}

int LoadConfig() {
  std::string hotkeyText;
  if (!g_platform.files ||
      !g_platform.files->ReadWholeFile(ProgramFile("hotkeys.txt"), &hotkeyText))
    return -1;
  g_app.hotkeyFileText = FromTextMode(hotkeyText);

  TextReader reader;
  if (!OpenTextFile(ProgramFile("config.cfg"), &reader)) return -2;

  std::string skipped;
  reader.ReadLine(&skipped);  // [Main]
  int32_t* settings[] = {&g_app.Volume,  &g_app.Mute,     &g_app.Repeat,
                         &g_app.Shuffle, &g_app.Autoload, &g_app.Autoplay};
  for (int32_t* setting : settings) *setting = ConfigTextToInt(ReadConfigValue(reader, true));
  reader.ReadLine(&skipped);  // [HotKeys]
  for (HotkeyBinding& binding : HotkeyBindings) {
    binding.Name1 = ReadConfigValue(reader, true);
    binding.Name2 = ReadConfigValue(reader, true);
    binding.Name3 = ReadConfigValue(reader, true);
    binding.Id1 = ConfigTextToInt(ReadConfigValue(reader, true));
    binding.Id2 = ConfigTextToInt(ReadConfigValue(reader, true));
    binding.Id3 = ConfigTextToInt(ReadConfigValue(reader, true));
  }
  g_app.configLoaded = true;
  return 0;
}

std::string ConfigFileText() {
  std::string text;
  text.reserve(2048);
  auto line = [&text](const std::string& key, const std::string& value) {
    if (!text.empty()) text += '\n';
    text += key;
    text += value;
  };
  auto number = [](int32_t value) { return std::to_string(value); };
  line("[Main]", "");
  line("Volume=", number(g_app.Volume));
  line("Mute=", number(g_app.Mute));
  line("Repeat=", number(g_app.Repeat));
  line("Shuffle=", number(g_app.Shuffle));
  line("Autoload=", number(g_app.Autoload));
  line("Autoplay=", number(g_app.Autoplay));
  line("[HotKeys]", "");
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    const std::string prefix = HotkeyActions[k].configPrefix;
    const HotkeyBinding& binding = HotkeyBindings[k];
    line(prefix + "Name1=", binding.Name1);
    line(prefix + "Name2=", binding.Name2);
    line(prefix + "Name3=", binding.Name3);
    line(prefix + "Id1=", number(binding.Id1));
    line(prefix + "Id2=", number(binding.Id2));
    line(prefix + "Id3=", number(binding.Id3));
  }
  return text;
}

void SaveConfig() {
  if (!g_app.configLoaded || !g_platform.files) return;
  // A failed write keeps the old file; saving is silent by design.
  g_platform.files->WriteFileAtomically(ProgramFile("config.cfg"), ToTextMode(ConfigFileText()));
}

SettingsSaver& ConfigFileSaver() {
  class ConfigFile : public SettingsSaver {
   public:
    void SaveSettings() override { SaveConfig(); }
  };
  static ConfigFile saver;
  return saver;
}
