#include "settings/hotkey_choices.h"

#include "settings/config_file.h"

int ApplyHotkeyChoices(const HotkeyChoices& choices) {
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
  return RegisterAllHotkeys();
}

std::string HotkeyRefusedMessage(int result) {
  int action = -result - 1;
  if (action < 0 || action >= kHotkeyActionCount) return "";
  return std::string("Невозможно зарегистрировать сочетание клавиш в поле ") +
         HotkeyActions[action].errorName +
         ".\nВозможно эти клавиши были зарегистрированы ранее.\nПопробуйте другое сочетание "
         "клавиш.";
}
