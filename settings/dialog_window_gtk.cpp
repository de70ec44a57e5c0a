#include "settings/dialog_window_gtk.h"

#include <algorithm>
#include <vector>

#include "platform/message_box_gtk.h"
#include "platform/modal_windows_gtk.h"
#include "settings/dialog_layout.h"

namespace {

constexpr int kSpacing = 6;

// Dialog units across, from the font's average character width (a quarter of it per unit).
int HorizontalPixels(GtkWidget* widget, int units) {
  PangoContext* context = gtk_widget_get_pango_context(widget);
  PangoFontMetrics* metrics = pango_context_get_metrics(context, nullptr, nullptr);
  int charWidth = pango_font_metrics_get_approximate_char_width(metrics);
  pango_font_metrics_unref(metrics);
  return units * charWidth / PANGO_SCALE / 4;
}

GtkWidget* MakeControl(const DialogControl& control) {
  switch (control.kind) {
    case DialogControlKind::kButton:
      return gtk_button_new_with_label(control.text);
    case DialogControlKind::kLabel: {
      GtkWidget* label = gtk_label_new(control.text);
      gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
      return label;
    }
    case DialogControlKind::kComboBox: {
      GtkWidget* box = gtk_combo_box_text_new();
      gtk_widget_set_size_request(box, HorizontalPixels(box, control.width), -1);
      return box;
    }
    case DialogControlKind::kCheckBox:
      return gtk_check_button_new_with_label(control.text);
    case DialogControlKind::kGroup:
      break;
  }
  return nullptr;
}

// A label alone on its row names the controls of the row below it, for screen readers: each of
// the hotkeys dialog's combo boxes is read with its action's label.
void LabelRow(GtkWidget* label, const std::vector<GtkWidget*>& row) {
  AtkObject* labelObject = gtk_widget_get_accessible(label);
  for (GtkWidget* widget : row) {
    AtkObject* object = gtk_widget_get_accessible(widget);
    atk_object_add_relationship(object, ATK_RELATION_LABELLED_BY, labelObject);
    atk_object_add_relationship(labelObject, ATK_RELATION_LABEL_FOR, object);
  }
}

// A group's rows in a grid: a row of one control (a label, a check box) spans the row's width.
GtkWidget* MakeRows(const DialogGroup& group, DialogWindow* dialog) {
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), kSpacing / 2);
  gtk_grid_set_column_spacing(GTK_GRID(grid), kSpacing);
  size_t columns = 1;
  for (const auto& row : group.rows) columns = std::max(columns, row.size());
  int top = 0;
  GtkWidget* label = nullptr;  // the row above when it is a label alone
  for (const auto& row : group.rows) {
    std::vector<GtkWidget*> widgets;
    for (size_t place = 0; place < row.size(); ++place) {
      GtkWidget* widget = MakeControl(*row[place]);
      if (!widget) continue;
      int span = row.size() == 1 ? static_cast<int>(columns) : 1;
      gtk_grid_attach(GTK_GRID(grid), widget, static_cast<int>(place), top, span, 1);
      if (row[place]->id >= 0) dialog->controls[row[place]->id] = widget;
      widgets.push_back(widget);
    }
    bool labelAlone = row.size() == 1 && row[0]->kind == DialogControlKind::kLabel;
    if (label && !labelAlone) {
      LabelRow(label, widgets);
      for (const DialogControl* control : row)
        if (control->id >= 0) dialog->labels[control->id] = label;
    }
    label = labelAlone && !widgets.empty() ? widgets[0] : nullptr;
    ++top;
  }
  return grid;
}

GtkWidget* MakeGroup(const DialogGroup& group, DialogWindow* dialog) {
  GtkWidget* frame = gtk_frame_new(group.box->text);
  GtkWidget* rows = MakeRows(group, dialog);
  gtk_container_set_border_width(GTK_CONTAINER(rows), kSpacing);
  gtk_container_add(GTK_CONTAINER(frame), rows);
  return frame;
}

}  // namespace

DialogWindow BuildDialogWindow(int dialogId) {
  DialogWindow dialog;
  const DialogLayout* layout = FindDialogLayout(dialogId);
  if (!layout) return dialog;
  dialog.window = gtk_dialog_new();
  GtkWindow* window = GTK_WINDOW(dialog.window);
  gtk_window_set_title(window, layout->caption);
  gtk_window_set_resizable(window, FALSE);
  // Like the Win32 dialogs, which have no system menu: no close button.
  gtk_window_set_deletable(window, FALSE);
  gtk_window_set_modal(window, TRUE);
  DressProgramWindow(window);

  std::vector<DialogGroup> groups = GroupDialogControls(layout->controls);
  GtkWidget* columns = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, kSpacing * 2);
  for (const auto& column : DialogColumns(groups)) {
    GtkWidget* stack = gtk_box_new(GTK_ORIENTATION_VERTICAL, kSpacing * 2);
    for (const DialogGroup* group : column)
      gtk_box_pack_start(GTK_BOX(stack), MakeGroup(*group, &dialog), FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(columns), stack, TRUE, TRUE, 0);
  }
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.window));
  gtk_box_set_spacing(GTK_BOX(content), kSpacing * 2);
  gtk_container_set_border_width(GTK_CONTAINER(dialog.window), kSpacing * 2);
  gtk_box_pack_start(GTK_BOX(content), columns, TRUE, TRUE, 0);
  // The controls outside every group (the OK button), centred below them as in the script.
  for (const DialogGroup& group : groups) {
    if (group.box) continue;
    GtkWidget* rows = MakeRows(group, &dialog);
    gtk_widget_set_halign(rows, GTK_ALIGN_CENTER);
    gtk_box_pack_start(GTK_BOX(content), rows, FALSE, FALSE, 0);
  }
  return dialog;
}

namespace {

void OnOkClicked(GtkButton*, gpointer window) {
  gtk_dialog_response(GTK_DIALOG(window), GTK_RESPONSE_OK);
}

}  // namespace

void RunDialogWindow(const DialogWindow& dialog, int okId, const std::function<bool()>& onOk) {
  if (!dialog.window) return;
  auto ok = dialog.controls.find(okId);
  if (ok == dialog.controls.end() || ModalWindowsEnded()) {
    gtk_widget_destroy(dialog.window);
    return;
  }
  g_signal_connect(ok->second, "clicked", G_CALLBACK(OnOkClicked), dialog.window);
  // Held to the end: onOk may still touch dialog.window after an exit destroyed it.
  g_object_ref(dialog.window);
  GtkWidget* window = dialog.window;
  // Cleared when the window is destroyed while it runs, as an exit does.
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_widget_destroyed), &window);
  ModalWindow modal([&window] {
    if (window) gtk_widget_destroy(window);
  });
  gtk_widget_show_all(window);
  // gtk_dialog_run answers Esc and the window manager's close with GTK_RESPONSE_DELETE_EVENT and
  // keeps the window; those responses are passed over.
  for (;;) {
    gint response = gtk_dialog_run(GTK_DIALOG(window));
    if (!window) break;
    bool done = response == GTK_RESPONSE_OK && onOk();
    // onOk's message box may have been open at an exit.
    if (!window || done) break;
  }
  if (window) gtk_widget_destroy(window);
  g_object_unref(dialog.window);
}
