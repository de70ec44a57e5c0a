#include <cstdlib>
#include <string>

#include "platform/file_system.h"
#include "platform/unix_files_x11.h"
#include "settings/xdg_autostart.h"

void ApplyXdgAutostart(bool enabled) {
  const char* home = getenv("HOME");
  std::string path = XdgAutostartPath(getenv("XDG_CONFIG_HOME"), home);
  if (path.empty()) return;
  if (!enabled) {
    UnixFiles().RemoveFile(path);
    return;
  }
  std::string program = UnixProgramFile();
  if (program.empty()) return;
  std::string launcher = program.substr(0, program.rfind('/')) + "/tunlark";
  std::string entry =
      XdgAutostartEntry(XdgAutostartExec(program, IsUnixExecutable(launcher), getenv("WINEPREFIX"),
                                         home, getenv("LANG"), getenv("LC_ALL")));
  // Written beside the entry and renamed over it, so a session never reads half an entry.
  if (!entry.empty() && MakeUnixFoldersFor(path)) UnixFiles().WriteFileAtomically(path, entry);
}
