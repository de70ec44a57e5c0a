#include "app/tray_menu.h"

#include <string>

#include "platform/wide_paths.h"

namespace {

DesktopMenuEntry EntryOf(const TrayMenuRow& row) {
  DesktopMenuEntry entry;
  switch (row.kind) {
    case TrayMenuRow::kSeparator:
      entry.kind = DesktopMenuEntry::kSeparator;
      return entry;
    case TrayMenuRow::kSubmenu:
      entry.kind = DesktopMenuEntry::kSubmenu;
      break;
    case TrayMenuRow::kCommand:
      entry.kind = DesktopMenuEntry::kCommand;
      entry.command = row.command;
      break;
  }
  std::u16string label;
  if (!DecodeUtf8(row.label ? row.label : "", &label)) label.clear();
  entry.label = EncodeUtf8(DesktopMenuLabel(label));
  return entry;
}

// Takes the rows of one level from *next on into entries, returning at the first shallower row.
void TakeLevel(std::span<const TrayMenuRow> rows, size_t* next, int depth,
               std::vector<DesktopMenuEntry>* entries) {
  while (*next < rows.size()) {
    const TrayMenuRow& row = rows[*next];
    if (row.depth < depth) return;
    if (row.depth > depth) {
      // Nothing to hang it under: skipped with its own children.
      ++*next;
      continue;
    }
    entries->push_back(EntryOf(row));
    ++*next;
    if (row.kind == TrayMenuRow::kSubmenu)
      TakeLevel(rows, next, depth + 1, &entries->back().children);
  }
}

}  // namespace

DesktopMenu DesktopMenuOfRows(std::span<const TrayMenuRow> rows) {
  DesktopMenu menu;
  size_t next = 0;
  TakeLevel(rows, &next, 0, &menu.entries);
  NumberDesktopMenu(&menu);
  return menu;
}
