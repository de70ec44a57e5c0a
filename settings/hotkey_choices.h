// What the hotkeys dialog's OK button does with the user's choices, apart from the dialog itself.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/hotkeys.h"

class DesktopShortcuts;

// For each action, the texts of its first modifier, second modifier and key boxes.
using HotkeyChoices = std::array<std::array<std::string, 3>, kHotkeyActionCount>;

// Stores the texts as the bindings' names with the codes KeyNameToCode gives them and writes
// "config.cfg".
void StoreHotkeyChoices(const HotkeyChoices& choices);
// StoreHotkeyChoices, and only then registers every hotkey, so that a refused choice is saved
// too. Returns what RegisterAllHotkeys returned.
int ApplyHotkeyChoices(const HotkeyChoices& choices);

// The desktop's binding read as RegisterAllHotkeys' result: 1 when it reports a trigger for every
// action, else -(k + 1) for the first action k it left unbound, so that the dialog names it with
// the text of a refused combination.
int DesktopBindingResult(const DesktopShortcuts& shortcuts);

// The error text for a RegisterAllHotkeys result of -(k + 1); "" for a result naming no action.
std::string HotkeyRefusedMessage(int result);

// Each action has three boxes: fields 0 and 1 its modifiers, field 2 its key.
constexpr int kHotkeyBoxFields = 3;

// The KeyNameTable indexes a box of the field offers, in table order: the modifiers "Нет" to
// "Shift" in fields 0 and 1, every name after them in field 2 ("Нет" is no key).
std::vector<int> HotkeyBoxEntries(int field);
// The index of the entry in field's box whose text is exactly name; -1 when there is none (an
// empty name, or one edited by hand in "config.cfg"), and the box then shows no selection.
int HotkeyBoxEntry(int field, const std::string& name);
// The control id of action's box of field, and back; false for an id of no hotkey box.
int HotkeyBoxId(int action, int field);
bool HotkeyBoxPlace(int controlId, int* action, int* field);
