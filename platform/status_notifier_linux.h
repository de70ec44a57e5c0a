// The tray icon as a StatusNotifierItem (org.kde.StatusNotifierItem) with its menu as
// com.canonical.dbusmenu, served on the media controls' connection and thread and registered with
// the desktop's org.kde.StatusNotifierWatcher, again whenever a watcher appears. Nothing here
// includes <windows.h>.
//
// Threads: the BusCompanion calls and the callbacks run on the bus thread; the callbacks must
// return at once. Any thread may call Publish.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/media_controls_linux.h"
#include "platform/status_notifier.h"

struct StatusNotifierSetup {
  std::string id;     // the item's Id
  std::string title;  // its Title
  DesktopMenu menu;   // numbered
  // The images of a tray icon id, one for each size drawn; none for an unknown id.
  std::function<std::vector<TrayPixmap>(int iconId)> pixmapsOf;
  // Gives a request to the UI thread; false when it cannot take one now.
  std::function<bool(const TrayRequest&)> post;
  // Told each time the item becomes shown by the desktop's tray or stops being so: true once a
  // watcher took it and has a host, also when it says so after its answer came too late; false
  // when none is there, it refused, has no host, or left the bus.
  std::function<void(bool registered)> hostChanged;
  // Wakes the bus thread after a Publish.
  std::function<void()> wake;
};

class StatusNotifierBus : public BusCompanion {
 public:
  explicit StatusNotifierBus(StatusNotifierSetup setup);
  ~StatusNotifierBus() override;
  StatusNotifierBus(const StatusNotifierBus&) = delete;
  StatusNotifierBus& operator=(const StatusNotifierBus&) = delete;

  // The picture and the tooltip the item shows from now on.
  void Publish(int iconId, const std::u16string& tip);

  void Attach(sd_bus* bus) override;
  void Refresh() override;
  void Detach(sd_bus* bus) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
