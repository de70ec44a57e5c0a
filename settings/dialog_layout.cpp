#include "settings/dialog_layout.h"

#include <algorithm>

namespace {

const std::vector<DialogLayout>& DialogLayouts() {
  static const std::vector<DialogLayout> layouts = {
#include "settings/dialog_layout_rows.inc"
  };
  return layouts;
}

bool Inside(const DialogControl& control, const DialogControl& box) {
  return control.x >= box.x && control.y >= box.y &&
         control.x + control.width <= box.x + box.width && control.y < box.y + box.height;
}

// Rows of equal y, top to bottom, each in x order.
std::vector<std::vector<const DialogControl*>> Rows(std::vector<const DialogControl*> controls) {
  std::stable_sort(controls.begin(), controls.end(),
                   [](const DialogControl* a, const DialogControl* b) {
                     return a->y != b->y ? a->y < b->y : a->x < b->x;
                   });
  std::vector<std::vector<const DialogControl*>> rows;
  for (const DialogControl* control : controls) {
    if (rows.empty() || rows.back().front()->y != control->y) rows.emplace_back();
    rows.back().push_back(control);
  }
  return rows;
}

}  // namespace

const DialogLayout* FindDialogLayout(int dialogId) {
  for (const DialogLayout& layout : DialogLayouts())
    if (layout.id == dialogId) return &layout;
  return nullptr;
}

std::vector<DialogGroup> GroupDialogControls(const std::vector<DialogControl>& controls) {
  std::vector<const DialogControl*> boxes;
  for (const DialogControl& control : controls)
    if (control.kind == DialogControlKind::kGroup) boxes.push_back(&control);
  std::vector<std::vector<const DialogControl*>> members(boxes.size() + 1);
  for (const DialogControl& control : controls) {
    if (control.kind == DialogControlKind::kGroup) continue;
    size_t group = 0;
    while (group < boxes.size() && !Inside(control, *boxes[group])) ++group;
    members[group].push_back(&control);
  }
  std::vector<DialogGroup> groups;
  for (size_t group = 0; group < boxes.size(); ++group)
    groups.push_back({boxes[group], Rows(members[group])});
  if (!members.back().empty()) groups.push_back({nullptr, Rows(members.back())});
  return groups;
}

std::vector<std::vector<const DialogGroup*>> DialogColumns(const std::vector<DialogGroup>& groups) {
  std::vector<const DialogGroup*> boxed;
  for (const DialogGroup& group : groups)
    if (group.box) boxed.push_back(&group);
  std::stable_sort(boxed.begin(), boxed.end(), [](const DialogGroup* a, const DialogGroup* b) {
    return a->box->x != b->box->x ? a->box->x < b->box->x : a->box->y < b->box->y;
  });
  std::vector<std::vector<const DialogGroup*>> columns;
  for (const DialogGroup* group : boxed) {
    if (columns.empty() || columns.back().front()->box->x != group->box->x) columns.emplace_back();
    columns.back().push_back(group);
  }
  return columns;
}
