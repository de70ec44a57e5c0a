// The hotkeys as a desktop binds them through its shortcuts service: the desktop, not the
// program, decides each trigger, so the hotkeys dialog shows what it reports and hands it the
// user's choices instead of registering them itself.
#pragma once

#include <functional>
#include <string>

#include "settings/hotkeys.h"

class DesktopShortcuts {
 public:
  virtual ~DesktopShortcuts() = default;
  // True while the hotkeys go through the desktop; RegisterAllHotkeys is then not used.
  virtual bool Bound() const = 0;
  // The trigger the desktop last reported for action, in its own words (UTF-8); empty while the
  // action is unbound.
  virtual std::string TriggerOf(HotkeyActionIndex action) const = 0;
  // Asks the desktop for its current triggers; the answer comes as a report.
  virtual void Reread() = 0;
  // Sends the HotkeyBindings as the preferred triggers; the desktop's answer comes as a report.
  virtual void Rebind() = 0;
  // reported runs on the loop's thread after each report of the desktop (an answer, or a change
  // the user made in its settings); an empty function stops it.
  virtual void Listen(std::function<void()> reported) = 0;
};
