// The native program's tray icon: a StatusNotifierItem with its dbusmenu wherever a watcher
// takes it; where none answers, an XEmbed icon (GTK's status icon) with the same menu, for trayer,
// stalonetray and older panels; where neither shows, the player runs on and says what the
// desktop lacks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/status_notifier.h"

class BusCompanion;
class MainLoop;
class Toolkit;

struct TrayHooks {
  // Runs the item's requests on the loop's thread (none once the exit has begun).
  std::function<void(const std::vector<TrayRequest>& requests)> run;
  // A menu entry chosen in the XEmbed icon's menu.
  std::function<void(int command)> choose;
  // Wakes the bus thread after a change to publish.
  std::function<void()> wakeBus;
};

class NativeTray : public TrayIcon {
 public:
  NativeTray(MainLoop& loop, DesktopMenu menu, TrayHooks hooks);
  ~NativeTray() override;
  NativeTray(const NativeTray&) = delete;
  NativeTray& operator=(const NativeTray&) = delete;

  // The item, to serve on the media controls' connection.
  BusCompanion* Item();
  // After the first sound: waits for the bus to say whether a watcher took the item; if not (or
  // once it no longer does), the XEmbed icon from the toolkit toolkitOf loads then, or only
  // kNoTrayMessage where it gives none (no display, no module). The toolkit is kept by the
  // caller while this lives.
  void Start(std::function<Toolkit*()> toolkitOf);
  // The item's requests wait from the start until this is called.
  void Release();
  // Hides every icon, at exit.
  void Remove();

  void Update(const char* text, int iconId) override;
  void UpdateWide(const std::u16string& text, int iconId) override;
  // The tags' name (UTF-8) of the track of fileTitle; empty for the file title.
  void NameTrack(const std::string& name, const std::u16string& fileTitle);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// What the player says where the desktop shows no tray icon at all.
extern const char kNoTrayMessage[];

// The tray's picture of an icon at a side; none for an unknown icon.
TrayPixmap TrayPixmapOfIcon(int iconId, int side);
