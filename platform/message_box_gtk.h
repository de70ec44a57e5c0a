// The native program's message boxes and its texts as GTK takes them.
#pragma once

#include <gtk/gtk.h>

#include <string>

// A text of the program (Windows-1251) as UTF-8.
std::string ToolkitText(const char* text);

// A modal box with the text, the caption and a single OK button, returning when it is closed.
// The program has no window of its own: without a parent the box is centred on the screen and
// kept above other windows, as the Win32 program's boxes are over its top-most window.
void ShowMessageBox(GtkWindow* parent, const char* text, const char* caption, GtkMessageType type);
