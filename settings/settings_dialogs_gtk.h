// The two settings dialogs of the native program; each call returns when OK has closed it. A
// request while the dialog is already open brings that one to the front.
#pragma once

void ShowHotkeysDialogGtk();
void ShowOptionsDialogGtk();
