// The notification-area icon and its pop-up menu.
#pragma once

class TrayIcon;

void TrayAdd();
// TrayAdd in two steps, for a desktop that may show the icon through its own tray instead: the
// record with the stopped picture and tooltip, and the icon put into the Win32 tray.
void TrayPrepare();
void TrayShow();
// Takes the icon out of the Win32 tray; TrayUpdate keeps the record meanwhile.
void TrayHide();
// A null text leaves the tooltip, an icon id of -1 the picture. A text longer than the tooltip
// field is cut so that the field always ends in a NUL.
void TrayUpdate(const char* text, int iconId);
// The window's DPI changed: the icon is loaded again at the size the tray asks for there.
void TrayDpiChanged(unsigned dpi);
// The shell made its notification area anew (it was restarted, or the taskbar's scaling
// changed): the icon is added again, at the size for the window's DPI, with its last picture
// and tooltip.
void TrayRecreated();
void TrayRemove();
// Shows menu 102 at the screen point and returns when it has closed.
void ShowTrayMenu(int x, int y);

// The TrayIcon that the playback monitor updates.
TrayIcon* Win32TrayIcon();
