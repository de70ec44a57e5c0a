// The login entry of a Linux desktop session (~/.config/autostart/tunlark.desktop), which the
// Winelib build keeps in step with the Startup-folder shortcut: a Linux session never opens the
// Wine prefix's Startup folder.
#pragma once

#include <string>

// Writes the entry when enabled and removes it otherwise; failures are silent, like the
// shortcut's. Only in the Winelib build (settings/xdg_autostart_x11.cpp); the native program
// keeps the entry through ApplyAutostart (settings/autostart_gtk.cpp).
void ApplyXdgAutostart(bool enabled);

// The entry's path from $XDG_CONFIG_HOME, else $HOME/.config; empty when neither is an absolute
// path. Either argument may be null.
std::string XdgAutostartPath(const char* xdgConfigHome, const char* home);

// One argument of a desktop entry's Exec key, quoted when it holds a reserved character.
std::string QuoteExecArgument(const std::string& argument);

// How the entry starts the player found at programFile (its Linux path): through the installed
// launcher beside it when there is one, which waits for the tray at login; otherwise through Wine
// directly in the same prefix (winePrefix, or ~/.wine when null) and locale (lang and lcAll, the
// values of LANG and LC_ALL, either may be null).
std::string XdgAutostartExec(const std::string& programFile, bool hasLauncher,
                             const char* winePrefix, const char* home, const char* lang,
                             const char* lcAll);

// How the entry starts the native program at programFile (its Linux path): the program itself,
// which waits for a tray that comes up after it.
std::string XdgAutostartNativeExec(const std::string& programFile);

// The whole entry, UTF-8 text, for the given Exec value; empty when the value holds a line break,
// which the entry cannot carry.
std::string XdgAutostartEntry(const std::string& exec);
