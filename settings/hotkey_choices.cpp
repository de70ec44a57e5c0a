#include "settings/hotkey_choices.h"

#include "resources/resource_ids.h"
#include "settings/config_file.h"
#include "settings/desktop_shortcuts.h"

namespace {

constexpr int kModifierNames = 4;

}  // namespace

void StoreHotkeyChoices(const HotkeyChoices& choices) {
  for (int k = 0; k < kHotkeyActionCount; ++k) {
    HotkeyBinding& binding = HotkeyBindings[k];
    binding.Name1 = choices[k][0];
    binding.Name2 = choices[k][1];
    binding.Name3 = choices[k][2];
    binding.Id1 = KeyNameToCode(binding.Name1);
    binding.Id2 = KeyNameToCode(binding.Name2);
    binding.Id3 = KeyNameToCode(binding.Name3);
  }
  SaveConfig();
}

int ApplyHotkeyChoices(const HotkeyChoices& choices) {
  StoreHotkeyChoices(choices);
  return RegisterAllHotkeys();
}

int DesktopBindingResult(const DesktopShortcuts& shortcuts) {
  for (int k = 0; k < kHotkeyActionCount; ++k)
    if (shortcuts.TriggerOf(static_cast<HotkeyActionIndex>(k)).empty()) return -(k + 1);
  return 1;
}

std::string HotkeyRefusedMessage(int result) {
  int action = -result - 1;
  if (action < 0 || action >= kHotkeyActionCount) return "";
  return std::string("Невозможно зарегистрировать сочетание клавиш в поле ") +
         HotkeyActions[action].errorName +
         ".\nВозможно эти клавиши были зарегистрированы ранее.\nПопробуйте другое сочетание "
         "клавиш.";
}

std::vector<int> HotkeyBoxEntries(int field) {
  std::vector<int> entries;
  bool modifier = field < 2;
  for (int i = modifier ? 0 : kModifierNames; i < (modifier ? kModifierNames : kKeyNameCount); ++i)
    entries.push_back(i);
  return entries;
}

int HotkeyBoxEntry(int field, const std::string& name) {
  for (int i : HotkeyBoxEntries(field))
    if (name == KeyNameTable[i].name) return i;
  return -1;
}

int HotkeyBoxId(int action, int field) {
  return IDC_HOTKEY_BOXES + kHotkeyBoxFields * action + field;
}

bool HotkeyBoxPlace(int controlId, int* action, int* field) {
  int offset = controlId - IDC_HOTKEY_BOXES;
  if (offset < 0 || offset >= kHotkeyBoxFields * kHotkeyActionCount) return false;
  *action = offset / kHotkeyBoxFields;
  *field = offset % kHotkeyBoxFields;
  return true;
}
