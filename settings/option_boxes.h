// What the options dialog's check boxes stand for, apart from the dialog itself: each box shows a
// Setting, and a click flips it and saves it at once.
#pragma once

// Whether the Setting of the box with this control id (IDC_REPEAT, ...) is on; false for an id of
// no option box.
bool OptionBoxChecked(int controlId);
// The click on the box with this control id: its Setting flips from its own value, not from the
// box (a hotkey may have changed it while the dialog was open), "config.cfg" is written, and a
// click on Autoload calls applyAutostart (the program's ApplyAutostart) before the write. False,
// with nothing changed, for any other id.
bool ClickOptionBox(int controlId, void (*applyAutostart)());
