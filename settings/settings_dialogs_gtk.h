// The two settings dialogs of the native program, each modal until its OK button closes it. A
// request while the dialog is already open brings that one to the front: *openDialog holds its
// window while it runs (null otherwise), kept by the caller across requests.
#pragma once

#include <gtk/gtk.h>

class DesktopShortcuts;

// shortcuts: the desktop's, when the hotkeys go through it; null otherwise.
void ShowHotkeysDialogGtk(GtkWidget** openDialog, DesktopShortcuts* shortcuts);
void ShowOptionsDialogGtk(GtkWidget** openDialog);
