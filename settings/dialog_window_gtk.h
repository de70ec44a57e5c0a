// A settings dialog of resources/dialogs.rc built in GTK: the same caption, group boxes, texts
// and controls in the same order, laid out by the toolkit in the desktop's theme and font.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>

struct DialogWindow {
  GtkWidget* window = nullptr;         // a GtkDialog; null when the script has no such dialog
  std::map<int, GtkWidget*> controls;  // by control id: combo boxes, check boxes, buttons
  std::map<int, GtkWidget*> labels;    // by control id: the label alone on the row above it
};

// Builds the dialog of the resource id without showing it. Combo boxes are GtkComboBoxText,
// check boxes GtkCheckButton.
DialogWindow BuildDialogWindow(int dialogId);

// Runs the dialog modally, centred, until a press of the button okId is followed by onOk
// returning true; then destroys it. Esc and the window's close do nothing: as in the Win32
// program, OK is the only way out, but for the program's exit, which destroys it with nothing
// more applied.
void RunDialogWindow(const DialogWindow& dialog, int okId, const std::function<bool()>& onOk);
