// Binds shortcuts through the desktop portal's GlobalShortcuts and prints what happens, for
// portal_e2e.py: "bound ID TRIGGER" for each shortcut bound (then "bound-end"), "unavailable"
// when no portal answers, "appeared" when one starts later (and it then binds), "activated ID" for
// each press. Each argument is one shortcut,
// "ID<TAB>MODIFIERS<TAB>VIRTUAL-KEY<TAB>DESCRIPTION" with the numbers of a hotkey binding. Ends
// when its standard input closes.
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "platform/global_shortcuts_portal_linux.h"
#include "platform/key_symbols.h"
#include "platform/media_controls_linux.h"

int main(int argc, char** argv) {
  GlobalShortcutsSetup setup;
  setup.appId = "tunlark";
  for (int i = 1; i < argc; ++i) {
    std::istringstream fields(argv[i]);
    PortalShortcut shortcut;
    std::string modifiers, key;
    std::getline(fields, shortcut.id, '\t');
    std::getline(fields, modifiers, '\t');
    std::getline(fields, key, '\t');
    std::getline(fields, shortcut.description);
    if (!HotkeyToTrigger(std::stoul(modifiers), std::stoul(key), &shortcut.preferredTrigger))
      shortcut.preferredTrigger.clear();
    setup.shortcuts.push_back(shortcut);
  }
  setup.bound = [](bool available, const std::vector<BoundShortcut>& bound) {
    if (!available) std::printf("unavailable\n");
    for (const BoundShortcut& shortcut : bound)
      std::printf("bound %s %s\n", shortcut.id.c_str(), shortcut.trigger.c_str());
    if (available) std::printf("bound-end\n");
    std::fflush(stdout);
  };
  setup.activated = [](const std::string& id) {
    std::printf("activated %s\n", id.c_str());
    std::fflush(stdout);
  };
  GlobalShortcutsPortal* started = nullptr;
  setup.appeared = [&started] {
    std::printf("appeared\n");
    std::fflush(stdout);
    started->Start();
  };
  GlobalShortcutsPortal portal(setup);
  started = &portal;
  MediaBusServer server({"org.mpris.MediaPlayer2.tunlark_portal_probe", "probe", "probe", {}},
                        [](const MediaRequest&) { return false; });
  server.AddCompanion(&portal);
  std::thread bus([&server] { server.Run(); });
  char buffer[256];
  while (read(0, buffer, sizeof buffer) > 0) {
  }
  server.Stop();
  bus.join();
  return 0;
}
