// What the hotkeys dialog's OK button does with the user's choices, apart from the dialog itself.
#pragma once

#include <array>
#include <string>

#include "settings/hotkeys.h"

// For each action, the texts of its first modifier, second modifier and key boxes.
using HotkeyChoices = std::array<std::array<std::string, 3>, kHotkeyActionCount>;

// Stores the texts as the bindings' names with the codes KeyNameToCode gives them, writes
// "config.cfg", and only then registers every hotkey, so that a refused choice is saved too.
// Returns what RegisterAllHotkeys returned.
int ApplyHotkeyChoices(const HotkeyChoices& choices);

// The error text for a RegisterAllHotkeys result of -(k + 1); "" for a result naming no action.
std::string HotkeyRefusedMessage(int result);
