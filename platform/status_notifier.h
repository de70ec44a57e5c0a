// What a desktop's StatusNotifierItem host (the tray of today's Linux panels) sees of the tray
// icon, as plain values: the menu as the desktop draws it, the icon's pixels, the tooltip, and
// the requests that come back. Portable; the bus side lives in status_notifier_linux.h.
#pragma once

#include <cstddef>
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
// One image of an .ico resource (a 32-bit DIB with its AND mask, bottom-up, height doubled) as an
// IconPixmap image; false for another depth or a size the bytes do not hold.
bool TrayPixmapOfIconImage(const uint8_t* dib, size_t size, TrayPixmap* pixmap);

// The tooltip's header (its first line, trailing blanks dropped) and the rest (the track and
// time), both UTF-8, as a desktop shows a title and a text. Hosts read both as markup, so '&',
// '<' and '>' come escaped.
struct DesktopToolTip {
  std::string title;
  std::string text;
};
bool operator==(const DesktopToolTip& a, const DesktopToolTip& b);
DesktopToolTip DesktopToolTipOf(const std::u16string& trayTip);
std::string EscapeMarkup(const std::string& text);
// The tray tip with trackName (the tags' "artist — title") in place of the track's file title on
// its lines under the header, the time after it kept. Only where the tip names fileTitle, the
// track the name belongs to (or its start, where the tip is cut): another track's tip is as it
// is, as is a tip naming no track or an empty trackName.
std::u16string TrayTipNamingTrack(const std::u16string& trayTip, const std::u16string& trackName,
                                  const std::u16string& fileTitle);

// The tooltip the item shows, held back while its menu is open: a host keeps a changing tooltip
// drawn over the menu's first entries. XFCE's panel says when the menu or a submenu opens
// (AboutToShow, "opened") and when an entry is chosen, but never that the menu closed: the hold
// ends kMenuHoldUs after the menu last opened, or at once on a choice or a "closed".
constexpr int64_t kMenuHoldUs = 10000000;
class HeldToolTip {
 public:
  // The tooltip published now; true when it is to be sent.
  bool Offer(const DesktopToolTip& tip, int64_t nowUs);
  void MenuOpened(int64_t nowUs);
  // True when a change held back is to be sent now.
  bool MenuClosed(int64_t nowUs);
  // True when the hold ran out and a change held back is to be sent now.
  bool Flush(int64_t nowUs);
  const DesktopToolTip& Shown() const { return shown_; }

 private:
  DesktopToolTip shown_;
  DesktopToolTip latest_;
  bool open_ = false;
  int64_t openedAtUs_ = 0;
};

// What a dbusmenu event (Event, one of EventGroup) does.
struct DesktopMenuEvent {
  enum Kind { kUnknownId, kNothing, kCommand, kMenuOpened, kMenuClosed };
  Kind kind = kNothing;
  int command = 0;
};
// "clicked" on an enabled entry with a command sends it (and closes the menu); "opened" of the
// root or a submenu tells that the menu is shown, "closed" of the root that it is gone; anything
// else on a known id changes nothing.
DesktopMenuEvent DesktopMenuEventOf(const DesktopMenu& menu, int32_t id, const std::string& event);
// An EventGroup whose every id is unknown fails as one Event with an unknown id does.
bool DesktopMenuEventGroupFails(size_t events, size_t unknownIds);

// Whether a watcher's StatusNotifierItemRegistered names this item: its bus name or its unique
// connection name, alone or followed by the object path.
bool WatcherNamesItem(const std::string& registered, const std::string& busName,
                      const std::string& uniqueName);

// Turns Scroll(delta, orientation) calls into volume steps. Hosts differ: GTK ones (XFCE, GNOME's
// AppIndicator) send -1 for a notch up, Qt ones (Plasma) +120, and a high-resolution wheel or a
// touchpad on Qt sends parts of 120 many times a gesture, which add up to a step per notch. Up
// raises the volume; a horizontal scroll does nothing.
constexpr int kMaxScrollSteps = 20;
constexpr int kQtNotch = 120;
// Parts of a notch left over for longer than this start no step with the next gesture's.
constexpr int64_t kScrollGestureGapUs = 1000000;
class ScrollSteps {
 public:
  // Signed steps (positive louder) for one call, at most kMaxScrollSteps either way.
  int Take(int32_t delta, const std::string& orientation, int64_t nowUs);

 private:
  int64_t partial_ = 0;  // of a Qt notch, signed as the deltas
  int64_t lastUs_ = 0;
};

// What the desktop's tray asks of the player, on its way from the bus thread to the UI thread.
struct TrayRequest {
  enum Kind { kCommand, kVolumeSteps, kTogglePause, kContextMenu };
  Kind kind = kCommand;
  int value = 0;  // the command id, or the signed volume steps
  int x = 0;      // where the context menu opens, in screen coordinates
  int y = 0;
};

using TrayRequestQueue = BoundedQueue<TrayRequest>;
