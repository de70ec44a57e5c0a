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

#include "platform/global_shortcuts_portal_linux.h"
#include "platform/media_controls_linux.h"
#include "settings/desktop_shortcuts.h"
#include "settings/hotkeys.h"

class MainLoop;

struct PortalHotkeyHooks {
  // No portal answers, or it refused or went away: the caller grabs X11 keys instead. Told once
  // each time, and never before Arm.
  std::function<void()> unavailable;
  // A portal started after unavailable was told: the caller lets go of its X11 keys, and the
  // portal is asked once this returns, so that the two never hold the hotkeys at once.
  std::function<void()> takeOver;
  // A shortcut bound through the portal was pressed.
  std::function<void(HotkeyActionIndex action)> pressed;
  // Wakes the bus thread for what the loop asked of the portal.
  std::function<void()> wakeBus;
};

// The bus is started before the settings are read, so the portal is only asked once Arm hands it
// the bindings; until then this companion waits on the connection.
class PortalHotkeys : public BusCompanion, public DesktopShortcuts {
 public:
  PortalHotkeys(MainLoop& loop, PortalHotkeyHooks hooks);
  ~PortalHotkeys() override;
  PortalHotkeys(const PortalHotkeys&) = delete;
  PortalHotkeys& operator=(const PortalHotkeys&) = delete;

  // On the loop's thread, once the bindings are read; the bus thread must be woken after it.
  void Arm();

  // The loop's side, for the hotkeys dialog.
  bool Bound() const override;
  std::string TriggerOf(HotkeyActionIndex action) const override;
  void Reread() override;
  void Rebind() override;
  void Listen(std::function<void()> reported) override;

  // The bus thread's side.
  void Attach(sd_bus* bus) override;
  void Refresh() override;
  void Detach(sd_bus* bus) override;

 private:
  // What the loop asked of the portal, carried out on the bus thread.
  struct Requests {
    bool start = false;
    bool rebind = false;
    bool list = false;
    std::vector<PortalShortcut> shortcuts;  // for rebind
  };

  void TakeBound(bool available, const std::vector<std::pair<std::string, std::string>>& bound);
  void TellUnavailable();
  void TakeOver();
  void Ask(const std::function<void(Requests&)>& change);

  MainLoop& loop_;
  PortalHotkeyHooks hooks_;
  // The loop's side.
  std::string triggers_[kHotkeyActionCount];
  std::function<void()> reported_;
  bool armed_ = false;
  bool bound_ = false;
  bool unavailable_ = false;
  bool told_unavailable_ = false;
  // Shared with the bus thread: the portal, made by Arm and never replaced, and what the loop
  // asked of it.
  std::mutex mutex_;
  std::unique_ptr<GlobalShortcutsPortal> portal_;
  Requests requests_;
  // The bus thread's own.
  sd_bus* bus_ = nullptr;
  bool attached_ = false;
};
