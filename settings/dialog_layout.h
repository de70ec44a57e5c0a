// The two settings dialogs as resources/dialogs.rc draws them for the Win32 program, read at build
// time, so that another toolkit builds them with the same texts, controls and order.
#pragma once

#include <vector>

enum class DialogControlKind { kButton, kGroup, kLabel, kComboBox, kCheckBox };

struct DialogControl {
  DialogControlKind kind;
  const char* text;  // UTF-8, as a toolkit shows it (the program's own texts are Windows-1251)
  int id;            // -1 for the static texts and group boxes
  int x, y, width, height;  // dialog units
};

struct DialogLayout {
  int id;  // IDD_HOTKEYS, IDD_OPTIONS
  int width, height;
  const char* caption;                  // UTF-8
  std::vector<DialogControl> controls;  // in the script's order
};

// The dialog of the resource id, or null.
const DialogLayout* FindDialogLayout(int dialogId);

// A group box with the controls that lie inside it, as rows of equal y in x order, top to bottom.
// The controls outside every group (the OK button) form a last group without a box.
struct DialogGroup {
  const DialogControl* box;  // null for the controls outside every group
  std::vector<std::vector<const DialogControl*>> rows;
};

// The groups in the script's order; a control inside two boxes belongs to the first.
std::vector<DialogGroup> GroupDialogControls(const std::vector<DialogControl>& controls);
// The groups' columns: groups whose boxes start at the same x, in x order, each column's groups
// top to bottom.
std::vector<std::vector<const DialogGroup*>> DialogColumns(const std::vector<DialogGroup>& groups);
