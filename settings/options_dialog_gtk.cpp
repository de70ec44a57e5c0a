#include "resources/resource_ids.h"
#include "settings/autostart.h"
#include "settings/dialog_window_gtk.h"
#include "settings/option_boxes.h"
#include "settings/settings_dialogs_gtk.h"

namespace {

void OnToggled(GtkToggleButton*, gpointer controlId) {
  ClickOptionBox(GPOINTER_TO_INT(controlId), ApplyAutostart);
}

}  // namespace

void ShowOptionsDialogGtk(GtkWidget** openDialog) {
  if (*openDialog) {
    gtk_window_present(GTK_WINDOW(*openDialog));
    return;
  }
  DialogWindow dialog = BuildDialogWindow(IDD_OPTIONS);
  if (!dialog.window) return;
  for (const auto& [id, widget] : dialog.controls) {
    if (!GTK_IS_CHECK_BUTTON(widget)) continue;
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(widget), OptionBoxChecked(id));
    // Connected after the box shows its Setting, so that only the user's clicks flip it.
    g_signal_connect(widget, "toggled", G_CALLBACK(OnToggled), GINT_TO_POINTER(id));
  }
  *openDialog = dialog.window;
  RunDialogWindow(dialog, IDC_OPTIONS_OK, [] { return true; });
  *openDialog = nullptr;
}
