#include "settings/hotkeys.h"

#include "platform/platform.h"

constexpr HotkeyAction HotkeyActions[kHotkeyActionCount] = {
    {"Play", 5, "Проиграть трек:", "'Проиграть трек'"},
    {"Pause", 3, "Пауза:", "'Пауза'"},
    {"Stop", 4, "Стоп:", "'Стоп'"},
    {"PTrack", 11, "Предыдущий трек:", "'Предыдущий трек'"},
    {"NTrack", 12, "Следующий трек:", "'Следующий трек'"},
    {"RewindB", 7, "Перемотать назад:", "'Перемотать назад'"},
    {"RewindF", 8, "Перемотать вперед:", "'Перемотать вперед'"},
    {"OpenFile", 9, "Открыть файл:", "'Открыть файл'"},
    {"OpenFolder", 10, "Открыть папку:", "'Открыть папку'"},
    {"VolumeUp", 1, "Увеличить:", "'Увеличить (громкость)'"},
    {"VolumeDown", 2, "Уменьшить:", "'Уменьшить (громкость)'"},
    {"Mute", 6, "Вкл. / откл. звук:", "'Вкл. / откл. звук'"},
};

namespace {

// A row left out would read as a null prefix and id 0; the system reports the ids 1..count.
constexpr bool EachActionHasAnId() {
  for (int id = 1; id <= kHotkeyActionCount; ++id) {
    int rows = 0;
    for (const HotkeyAction& action : HotkeyActions)
      rows += action.hotkeyId == id && action.configPrefix != nullptr ? 1 : 0;
    if (rows != 1) return false;
  }
  return true;
}
static_assert(EachActionHasAnId(), "each hotkey action needs a row with its own id");

}  // namespace

// The process-wide table of the design beside g_app: config.cfg fills it, the registration and
// the hotkeys dialog read it.
HotkeyBinding HotkeyBindings[kHotkeyActionCount];

int HotkeyActionForId(int id) {
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    if (HotkeyActions[k].hotkeyId == id) return k;
  }
  return -1;
}

int HotkeyActionForConfigPrefix(const std::string& prefix) {
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    if (prefix == HotkeyActions[k].configPrefix) return k;
  }
  return -1;
}

// Modifier bits first (MOD_ALT, MOD_CONTROL, MOD_SHIFT), then virtual-key codes; the order is the
// order of the dialog's lists. Several names are the shifted symbol of the key they stand for.
const KeyName KeyNameTable[kKeyNameCount] = {
    {"Нет", 0},           {"Alt", 1},          {"Ctrl", 2},          {"Shift", 4},
    {"F1", 0x70},         {"F2", 0x71},        {"F3", 0x72},         {"F4", 0x73},
    {"F5", 0x74},         {"F6", 0x75},        {"F7", 0x76},         {"F8", 0x77},
    {"F9", 0x78},         {"F10", 0x79},       {"1", 0x31},          {"2", 0x32},
    {"3", 0x33},          {"4", 0x34},         {"5", 0x35},          {"6", 0x36},
    {"7", 0x37},          {"8", 0x38},         {"9", 0x39},          {"0", 0x30},
    {"-", 0xBD},          {"+", 0xBB},         {"Q", 'Q'},           {"W", 'W'},
    {"E", 'E'},           {"R", 'R'},          {"T", 'T'},           {"Y", 'Y'},
    {"U", 'U'},           {"I", 'I'},          {"O", 'O'},           {"P", 'P'},
    {"{", 0xDB},          {"}", 0xDD},         {"A", 'A'},           {"S", 'S'},
    {"D", 'D'},           {"F", 'F'},          {"G", 'G'},           {"H", 'H'},
    {"J", 'J'},           {"K", 'K'},          {"L", 'L'},           {":", 0xBA},
    {"'", 0xDE},          {"Z", 'Z'},          {"X", 'X'},           {"C", 'C'},
    {"V", 'V'},           {"B", 'B'},          {"N", 'N'},           {"M", 'M'},
    {"<", 0xBC},          {">", 0xBE},         {"?", 0xBF},          {"Пробел", 0x20},
    {"Enter", 0x0D},      {"Numpad 0", 0x60},  {"Numpad 1", 0x61},   {"Numpad 2", 0x62},
    {"Numpad 3", 0x63},   {"Numpad 4", 0x64},  {"Numpad 5", 0x65},   {"Numpad 6", 0x66},
    {"Numpad 7", 0x67},   {"Numpad 8", 0x68},  {"Numpad 9", 0x69},   {"Numpad .", 0x6E},
    {"Numpad +", 0x6B},   {"Numpad -", 0x6D},  {"Numpad *", 0x6A},   {"Numpad /", 0x6F},
    {"Стр. вверх", 0x26}, {"Стр. вниз", 0x28}, {"Стр. влево", 0x25}, {"Стр. вправо", 0x27},
};

int32_t KeyNameToCode(std::string name) {
  for (const KeyName& key : KeyNameTable)
    if (name == key.name) return key.code;
  return -1;
}

void UnregisterAllHotkeys() {
  if (!g_platform.hotkeys) return;
  for (int id = 1; id <= kHotkeyActionCount; ++id) g_platform.hotkeys->Unregister(id);
}

int RegisterAllHotkeys() {
  UnregisterAllHotkeys();
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    const HotkeyBinding& binding = HotkeyBindings[k];
    // The stored codes go to the platform unchecked; a bad one simply fails there.
    uint32_t modifiers = static_cast<uint32_t>(binding.Id1 | binding.Id2);
    if (!g_platform.hotkeys || !g_platform.hotkeys->Register(HotkeyActions[k].hotkeyId, modifiers,
                                                             static_cast<uint32_t>(binding.Id3)))
      return -(k + 1);
  }
  return 1;
}

void ResetHotkeyBindings() {
  for (HotkeyBinding& binding : HotkeyBindings) binding = HotkeyBinding();
}
