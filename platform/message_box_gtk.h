// The native program's message boxes and its texts as GTK takes them.
#pragma once

#include <gtk/gtk.h>

#include <string>

// A text of the program (Windows-1251) as UTF-8.
std::string ToolkitText(const char* text);

// Dresses a window the program opens on its own (a dialog, a message box without a parent): the
// program's icon from the desktop's theme (the hicolor "tunlark" the package installs; without it
// GTK's default icon) for the title bar and the taskbar, centred on the screen, and kept above
// other windows, as the Win32 program's windows are over its top-most main window. The program has
// no window of its own to be transient for.
void DressProgramWindow(GtkWindow* window);

// A modal box with the text, the caption and a single OK button, returning when it is closed;
// over parent when there is one, else dressed as a window of its own.
void ShowMessageBox(GtkWindow* parent, const char* text, const char* caption, GtkMessageType type);
