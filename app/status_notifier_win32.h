// Where the tray icon shows. In the Winelib build a desktop with a StatusNotifierWatcher and a
// host (the tray of today's Linux panels, X11 and Wayland alike) gets the icon as a
// StatusNotifierItem with the menu it draws itself, and then no Win32 icon, so that no panel
// shows the player twice; without a watcher or a host, or while none is there, the Win32 icon.
// The Windows build has the Win32 icon only.
#pragma once

#include <windows.h>

#include <string>

class BusCompanion;
class TrayIcon;

// Posted to the main window when requests from the desktop's tray wait.
constexpr UINT kTrayRequestMessage = WM_APP + 0x53;
// Posted to the main window when the item is taken by a watcher (wParam 1) or no longer (0).
constexpr UINT kTrayHostMessage = WM_APP + 0x54;
// Shows the Win32 icon when the bus has said nothing by then.
constexpr UINT_PTR kTrayHostTimer = 0x5448;

// Prepares the icon. Returns the StatusNotifierItem to serve on the media controls' bus, with
// the Win32 icon left out until the bus says whether a watcher took it; null where there is none,
// with the Win32 icon put in at once.
BusCompanion* StartDesktopTray(HWND window);
void OnTrayHostChanged(bool registered);
void OnTrayHostTimer(HWND window);
// Carries out the waiting requests as the Win32 menu and the hotkeys do; none once the exit has
// begun.
void RunTrayRequests(HWND window);
// The requests are held from the start until this is called, once StartUp has returned.
void ReleaseTrayRequests(HWND window);
// The TrayIcon the monitor updates: the Win32 icon and the item both.
TrayIcon* DesktopTrayIcon();
// The name (UTF-8) the item's tooltip gives the track of fileTitle (as the tooltip shows it) in
// place of that title, such as the tags' "artist — title"; empty for the file title. The Win32
// tooltip keeps the file title.
void NameTrackInDesktopTray(const std::string& name, const std::u16string& fileTitle);
