// The twelve hotkeys through the desktop portal's GlobalShortcuts, for a Wayland session where X11
// key grabs see no keys pressed in other programs' windows. Served on the media bus's connection;
// whatever the portal reports is carried out on the main loop.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/media_controls_linux.h"
#include "settings/hotkeys.h"

class GlobalShortcutsPortal;
class MainLoop;

struct PortalHotkeyHooks {
  // No portal answers, or it refused: the caller grabs X11 keys instead. Told at most once, and
  // never before Arm.
  std::function<void()> unavailable;
  // A shortcut bound through the portal was pressed.
  std::function<void(HotkeyActionIndex action)> pressed;
};

// The bus is started before the settings are read, so the portal is only asked once Arm hands it
// the bindings; until then this companion waits on the connection.
class PortalHotkeys : public BusCompanion {
 public:
  PortalHotkeys(MainLoop& loop, PortalHotkeyHooks hooks);
  ~PortalHotkeys() override;
  PortalHotkeys(const PortalHotkeys&) = delete;
  PortalHotkeys& operator=(const PortalHotkeys&) = delete;

  // On the loop's thread, once the bindings are read; the bus thread must be woken after it.
  void Arm();
  // The trigger the desktop bound for action, as it describes it; empty while unbound.
  const std::string& TriggerOf(HotkeyActionIndex action) const;

  // The bus thread's side.
  void Attach(sd_bus* bus) override;
  void Refresh() override;
  void Detach(sd_bus* bus) override;

 private:
  void TakeBound(bool available, const std::vector<std::pair<std::string, std::string>>& bound);
  void TellUnavailable();

  MainLoop& loop_;
  PortalHotkeyHooks hooks_;
  // The loop's side.
  std::string triggers_[kHotkeyActionCount];
  bool armed_ = false;
  bool unavailable_ = false;
  bool told_unavailable_ = false;
  // Shared with the bus thread: made by Arm, never replaced.
  std::mutex mutex_;
  std::unique_ptr<GlobalShortcutsPortal> portal_;
  // The bus thread's own.
  sd_bus* bus_ = nullptr;
  bool attached_ = false;
};
