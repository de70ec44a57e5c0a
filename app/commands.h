// The table of commands: one row per distinct behaviour, with its menu id and hotkey action
// where it has them and the function that runs it. The window procedure, the media controls, the
// desktop-drawn menu and the tests all go through it. A menu item and the hotkey of the "same"
// action may differ (the hotkeys' rewind is silenced, their OpenFolder saves even when
// cancelled); such a pair has two rows.
#pragma once

#include <span>

#include "settings/hotkeys.h"

class FrontEnd;

constexpr int kNoMenuId = 0;
constexpr int kNoHotkeyAction = -1;

struct Command {
  int menuId;        // IDM_* of the tray menu, or kNoMenuId
  int hotkeyAction;  // HotkeyActionIndex, or kNoHotkeyAction
  void (*run)(FrontEnd& frontEnd);
};

std::span<const Command> Commands();

// Each runs its row on the calling thread (the window's) and returns false when none matches.
bool RunMenuCommand(int menuId, FrontEnd& frontEnd);
// By the id the system reports for a hotkey (HotkeyActions[k].hotkeyId).
bool RunHotkeyCommand(int hotkeyId, FrontEnd& frontEnd);
bool RunHotkeyAction(HotkeyActionIndex action, FrontEnd& frontEnd);
