// The desktop's tray (a StatusNotifierItem, or the icon that stands in for it) as both front ends
// drive it: what its tooltip says and which picture it shows, and what its requests run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/status_notifier.h"

class FrontEnd;

// The tooltip and picture the monitor last gave, with the tags' name for the track in place of
// its file title.
class DesktopTrayTip {
 public:
  // A text or picture from the monitor (hasText false / iconId -1: that part unchanged). True
  // when what the tray shows changed: the monitor passes the same picture and text 20 times a
  // second, and only a change is worth a wake of the bus thread.
  bool Tell(const std::u16string& text, bool hasText, int iconId);
  // The name (the tags' "artist — title"; empty for the file title) of the track of fileTitle.
  bool NameTrack(const std::u16string& name, const std::u16string& fileTitle);
  std::u16string Tip() const;
  // The tooltip as the monitor last told it, without the track's name.
  const std::u16string& Text() const { return tip_; }
  int Icon() const { return icon_; }

 private:
  std::u16string tip_;
  std::u16string trackName_;   // the tray's name for the playing track; empty for its file title
  std::u16string namedTitle_;  // the file title of the track trackName_ names
  int icon_ = -1;
};

// A narrow tooltip of the core in UTF-16, line by line: the core's own texts are Windows-1251,
// while a track title of the native program is its Unix file name, UTF-8. A line that is valid
// UTF-8 with a byte past ASCII is read as UTF-8 (Windows-1251 letters are lead bytes without
// continuation bytes), any other as Windows-1251.
std::u16string TrayTextOfNarrow(const std::string& text);

// Runs the tray's requests as the menu and the hotkeys do, each followed by publish: the
// commands in order, the wheel's steps summed (at most a sweep of the whole range), and the
// last context-menu request, if any, through showMenu at the end (its loop runs until it closes).
void RunDesktopTrayRequests(const std::vector<TrayRequest>& requests, FrontEnd& frontEnd,
                            const std::function<void()>& publish,
                            const std::function<void(const TrayRequest&)>& showMenu);
