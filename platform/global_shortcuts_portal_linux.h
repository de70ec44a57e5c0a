// The hotkeys through the desktop portal's org.freedesktop.portal.GlobalShortcuts, for a Wayland
// session where X11 key grabs see no keys pressed in other programs' windows. Served on the media
// controls' connection and thread as a BusCompanion. Nothing here includes <windows.h> or GTK.
//
// Threads: the callbacks run on the bus thread and must return at once.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/media_controls_linux.h"

struct PortalShortcut {
  std::string id;                // the action's id, as Activated reports it
  std::string description;       // UTF-8, shown in the desktop's shortcut settings
  std::string preferredTrigger;  // "CTRL+ALT+KP_5"; empty for none
};

// A shortcut as the desktop bound it: the trigger it describes, which may differ from the one
// asked for. An action left out was not bound.
struct BoundShortcut {
  std::string id;
  std::string trigger;
};

struct GlobalShortcutsSetup {
  // The desktop file's name without ".desktop"; registered first where the portal has the host
  // registry, so that the desktop lists the shortcuts under the program.
  std::string appId;
  std::vector<PortalShortcut> shortcuts;
  // Told once a session is bound (available, with what was bound), or that no portal answers or
  // it refused (not available: the caller grabs X11 keys instead). Again with the full list each
  // time the desktop reports a change.
  std::function<void(bool available, const std::vector<BoundShortcut>& bound)> bound;
  // A bound shortcut was pressed.
  std::function<void(const std::string& id)> activated;
  // The portal's name got an owner while no session is bound (it started after the program, or
  // came back): the caller lets go of its own key grabs, then calls Start.
  std::function<void()> appeared;
};

class GlobalShortcutsPortal : public BusCompanion {
 public:
  explicit GlobalShortcutsPortal(GlobalShortcutsSetup setup);
  ~GlobalShortcutsPortal() override;
  GlobalShortcutsPortal(const GlobalShortcutsPortal&) = delete;
  GlobalShortcutsPortal& operator=(const GlobalShortcutsPortal&) = delete;

  void Attach(sd_bus* bus) override;
  void Refresh() override;
  // Closes the session.
  void Detach(sd_bus* bus) override;

  // On the bus thread, once attached. Asks the portal for a session and binds the shortcuts, as
  // Attach does; after appeared.
  void Start();
  // Binds these shortcuts in place of the earlier ones; the answer is told through bound.
  void Rebind(std::vector<PortalShortcut> shortcuts);
  // Asks for the session's shortcuts as the desktop now binds them; told through bound.
  void List();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
