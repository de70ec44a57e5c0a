#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/message_box_gtk.h"
#include "platform/modal_windows_gtk.h"
#include "resources/resource_ids.h"
#include "settings/desktop_shortcuts.h"
#include "settings/dialog_window_gtk.h"
#include "settings/hotkey_choices.h"
#include "settings/hotkeys.h"
#include "settings/settings_dialogs_gtk.h"

namespace {

// The entries of a field's box in the desktop's sorted order (the locale's, case ignored), as the
// Win32 boxes sort theirs; ties keep the table's order.
std::vector<int> SortedEntries(int field) {
  std::vector<int> entries = HotkeyBoxEntries(field);
  std::vector<std::string> keys(kKeyNameCount);
  for (int i : entries) {
    std::string text = ToolkitText(KeyNameTable[i].name);
    char* folded = g_utf8_casefold(text.c_str(), -1);
    char* key = g_utf8_collate_key(folded, -1);
    keys[i] = key;
    g_free(key);
    g_free(folded);
  }
  std::stable_sort(entries.begin(), entries.end(), [&](int a, int b) { return keys[a] < keys[b]; });
  return entries;
}

// Each entry's id is its KeyNameTable index, so the choice is read back as the table's own text.
void FillBox(GtkWidget* box, const std::vector<int>& entries, int field, const std::string& name) {
  for (int i : entries)
    gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(box), std::to_string(i).c_str(),
                              ToolkitText(KeyNameTable[i].name).c_str());
  int selected = HotkeyBoxEntry(field, name);
  if (selected >= 0) {
    gtk_combo_box_set_active_id(GTK_COMBO_BOX(box), std::to_string(selected).c_str());
  } else {
    gtk_combo_box_set_active(GTK_COMBO_BOX(box), -1);
  }
}

std::string BindingName(int action, int field) {
  const HotkeyBinding& binding = HotkeyBindings[action];
  return field == 0 ? binding.Name1 : field == 1 ? binding.Name2 : binding.Name3;
}

void FillBoxes(const DialogWindow& dialog) {
  std::vector<int> entries[kHotkeyBoxFields];
  for (int field = 0; field < kHotkeyBoxFields; ++field) entries[field] = SortedEntries(field);
  for (const auto& [id, widget] : dialog.controls) {
    int action = 0;
    int field = 0;
    if (HotkeyBoxPlace(id, &action, &field))
      FillBox(widget, entries[field], field, BindingName(action, field));
  }
}

// A box without a selection reads as empty.
std::string BoxText(const DialogWindow& dialog, int action, int field) {
  auto box = dialog.controls.find(HotkeyBoxId(action, field));
  if (box == dialog.controls.end()) return "";
  const char* id = gtk_combo_box_get_active_id(GTK_COMBO_BOX(box->second));
  if (!id) return "";
  int index = std::atoi(id);
  return index >= 0 && index < kKeyNameCount ? KeyNameTable[index].name : "";
}

HotkeyChoices ReadChoices(const DialogWindow& dialog) {
  HotkeyChoices choices;
  for (int k = 0; k < kHotkeyActionCount; ++k)
    for (int field = 0; field < kHotkeyBoxFields; ++field)
      choices[k][field] = BoxText(dialog, k, field);
  return choices;
}

// Shows the text of a refused combination for a result of -(k + 1); false then.
bool AcceptResult(const DialogWindow& dialog, int result) {
  if (result >= 0) return true;
  // The dialog stays open with the user's choices for another try.
  std::string text = HotkeyRefusedMessage(result);
  if (!text.empty())
    ShowMessageBox(GTK_WINDOW(dialog.window), text.c_str(), "Ошибка", GTK_MESSAGE_ERROR);
  return false;
}

bool OnOk(const DialogWindow& dialog) {
  return AcceptResult(dialog, ApplyHotkeyChoices(ReadChoices(dialog)));
}

// The dialog under the desktop's shortcuts: each row's label says the trigger the desktop
// reports, which it may have chosen over the boxes' own; an action it left unbound is reported as
// a refused combination.
class DesktopRows {
 public:
  DesktopRows(const DialogWindow& dialog, DesktopShortcuts& shortcuts)
      : dialog_(dialog), shortcuts_(shortcuts) {
    shortcuts_.Listen([this] { Reported(); });
    ShowTriggers();
  }
  ~DesktopRows() { shortcuts_.Listen({}); }
  DesktopRows(const DesktopRows&) = delete;
  DesktopRows& operator=(const DesktopRows&) = delete;

  // Asks for the current triggers, as the user may have changed them in the desktop's settings.
  void Open() {
    shortcuts_.Reread();
    WaitForReport(kListWaitMs);
    AcceptResult(dialog_, DesktopBindingResult(shortcuts_));
  }

  // Saves the choices, hands them to the desktop and shows what it bound.
  bool Ok() {
    StoreHotkeyChoices(ReadChoices(dialog_));
    shortcuts_.Rebind();
    gtk_widget_set_sensitive(dialog_.window, FALSE);
    WaitForReport(kBindWaitMs);
    // The answer may leave out what the desktop already held: its list is the whole.
    shortcuts_.Reread();
    WaitForReport(kListWaitMs);
    gtk_widget_set_sensitive(dialog_.window, TRUE);
    return AcceptResult(dialog_, DesktopBindingResult(shortcuts_));
  }

 private:
  // A list comes at once; a binding may wait on a dialog of the desktop's own.
  static constexpr guint kListWaitMs = 3000;
  static constexpr guint kBindWaitMs = 60000;

  void Reported() {
    ShowTriggers();
    if (waiting_) g_main_loop_quit(waiting_);
  }

  void ShowTriggers() {
    for (int k = 0; k < kHotkeyActionCount; ++k) {
      auto label = dialog_.labels.find(HotkeyBoxId(k, 0));
      if (label == dialog_.labels.end()) continue;
      std::string text = ToolkitText(HotkeyActions[k].dialogLabel);
      std::string trigger = shortcuts_.TriggerOf(static_cast<HotkeyActionIndex>(k));
      if (!trigger.empty()) text += " " + trigger;
      gtk_label_set_text(GTK_LABEL(label->second), text.c_str());
    }
  }

  // Runs the loop until the desktop reports or the time is up.
  void WaitForReport(guint ms) {
    // The program's exit ends the wait as it ends the dialog.
    if (ModalWindowsEnded()) return;
    waiting_ = g_main_loop_new(nullptr, FALSE);
    guint timer = g_timeout_add(
        ms,
        [](gpointer self) -> gboolean {
          auto* rows = static_cast<DesktopRows*>(self);
          rows->timer_ = 0;
          g_main_loop_quit(rows->waiting_);
          return G_SOURCE_REMOVE;
        },
        this);
    timer_ = timer;
    ModalWindow modal([this] { g_main_loop_quit(waiting_); });
    g_main_loop_run(waiting_);
    if (timer_) g_source_remove(timer_);
    timer_ = 0;
    g_main_loop_unref(waiting_);
    waiting_ = nullptr;
  }

  const DialogWindow& dialog_;
  DesktopShortcuts& shortcuts_;
  GMainLoop* waiting_ = nullptr;
  guint timer_ = 0;
};

}  // namespace

void ShowHotkeysDialogGtk(GtkWidget** openDialog, DesktopShortcuts* shortcuts) {
  if (*openDialog) {
    gtk_window_present(GTK_WINDOW(*openDialog));
    return;
  }
  DialogWindow dialog = BuildDialogWindow(IDD_HOTKEYS);
  if (!dialog.window) return;
  FillBoxes(dialog);
  *openDialog = dialog.window;
  if (!shortcuts) {
    RunDialogWindow(dialog, IDC_HOTKEYS_OK, [&dialog] { return OnOk(dialog); });
    *openDialog = nullptr;
    return;
  }
  DesktopRows rows(dialog, *shortcuts);
  if (shortcuts->Bound()) {
    // Shown before the desktop is asked, so that a refusal's box stands over it.
    gtk_widget_show_all(dialog.window);
    rows.Open();
  }
  // Asked at the press: the desktop may have started or gone while the dialog was open, and the
  // keys must never be both grabbed here and bound there.
  RunDialogWindow(dialog, IDC_HOTKEYS_OK,
                  [&] { return shortcuts->Bound() ? rows.Ok() : OnOk(dialog); });
  *openDialog = nullptr;
}
