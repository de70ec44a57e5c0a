// What a desktop's StatusNotifierItem host (the tray of today's Linux panels) sees of the tray
// icon, as plain values: the menu as the desktop draws it, the icon's pixels, the tooltip, and
// the requests that come back. Portable; the bus side lives in status_notifier_linux.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/bounded_queue.h"

// One entry of the tray menu as the desktop draws it (com.canonical.dbusmenu).
struct DesktopMenuEntry {
  enum Kind { kCommand, kSeparator, kSubmenu };
  Kind kind = kCommand;
  std::string label;  // UTF-8, with the desktop's '_' mnemonic
  int command = 0;    // the WM_COMMAND id a choice sends; 0 for none
  bool checked = false;
  bool enabled = true;
  int32_t id = 0;  // the entry's id on the bus, given by NumberDesktopMenu
  std::vector<DesktopMenuEntry> children;
};

// The menu's root (id 0) holds the top-level entries.
struct DesktopMenu {
  std::vector<DesktopMenuEntry> entries;
};

// Gives every entry an id, 1, 2, ... depth first in menu order; 0 stays the root's.
void NumberDesktopMenu(DesktopMenu* menu);
// The entry with the id; null for the root and for an id that no entry has.
const DesktopMenuEntry* FindDesktopMenuEntry(const DesktopMenu& menu, int32_t id);
// A Win32 menu label in the desktop's spelling: "&x" marks the mnemonic, which the desktop marks
// with "_x"; "&&" is a plain '&', a plain '_' is doubled; an accelerator after a tab is dropped.
std::u16string DesktopMenuLabel(const std::u16string& win32Label);

// A picture of palette indices, row by row; index 0 is transparent.
struct TrayPicture {
  int size = 0;  // width and height
  const uint8_t* pixels = nullptr;
  const uint32_t* palette = nullptr;  // 0xRRGGBB by index
};

// One image of IconPixmap: ARGB32 in network byte order, side x side.
struct TrayPixmap {
  int size = 0;
  std::vector<uint8_t> argb;
};

// The picture at side x side: enlarged by the largest whole factor that fits, so the pixel
// drawing stays sharp, and centred on a transparent square.
TrayPixmap TrayPixmapOf(const TrayPicture& picture, int side);
// The sides panels ask for.
constexpr int kTrayPixmapSides[] = {16, 22, 24, 32, 48};

// The tooltip's header (its first line, trailing blanks dropped) and the rest (the track and
// time), both UTF-8, as a desktop shows a title and a text.
struct DesktopToolTip {
  std::string title;
  std::string text;
};
DesktopToolTip DesktopToolTipOf(const std::u16string& trayTip);
// The tray tip with trackName (the tags' "artist — title") in place of the track's file title on
// its lines under the header, the time after it kept; as it is where trackName is empty or the
// tip names no track.
std::u16string TrayTipNamingTrack(const std::u16string& trayTip, const std::u16string& trackName);

// Volume steps for one Scroll(delta, orientation): a wheel notch is 1 for GTK panels and 120 for
// Qt ones, so every call counts at least one step and at most kMaxScrollSteps. A vertical wheel
// turned up raises the volume; GTK panels send that as a negative delta. 0 for a horizontal one.
constexpr int kMaxScrollSteps = 20;
int ScrollVolumeSteps(int32_t delta, const std::string& orientation);

// What the desktop's tray asks of the player, on its way from the bus thread to the UI thread.
struct TrayRequest {
  enum Kind { kCommand, kVolumeSteps, kTogglePause };
  Kind kind = kCommand;
  int value = 0;  // the command id, or the signed volume steps
};

using TrayRequestQueue = BoundedQueue<TrayRequest>;
