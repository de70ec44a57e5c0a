// The tray menu as a flat table of rows (generated from the menu of resources/tunlark.rc for the
// native program) and the desktop menu built from it.
#pragma once

#include <span>

#include "platform/status_notifier.h"

struct TrayMenuRow {
  enum Kind { kCommand, kSeparator, kSubmenu };
  int depth;  // 0 for the top level; a submenu's entries follow it one deeper
  Kind kind;
  const char* label;  // UTF-8, in the Win32 spelling ("&x" marks the mnemonic)
  int command;        // IDM_*; 0 for a separator or submenu
};

// The rows as a numbered desktop menu, labels in the desktop's spelling. A row deeper than the
// one before it by more than one level, or under a row that is no submenu, is dropped with what
// hangs under it.
DesktopMenu DesktopMenuOfRows(std::span<const TrayMenuRow> rows);
