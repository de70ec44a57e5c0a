// The two settings dialogs of the native program, each modal until its OK button closes it. A
// request while the dialog is already open brings that one to the front.
#pragma once

void ShowHotkeysDialogGtk();
void ShowOptionsDialogGtk();
