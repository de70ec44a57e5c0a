// The native program's autostart: the login entry of the desktop session, which is its Startup
// folder.
#include "settings/autostart.h"

#include <climits>
#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "platform/file_system.h"
#include "platform/unix_files_x11.h"
#include "settings/xdg_autostart.h"

namespace {

// The program's own file, whatever name or link it was started through.
std::string ProgramFile() {
  char* resolved = realpath("/proc/self/exe", nullptr);
  if (!resolved) return std::string();
  std::string path(resolved);
  free(resolved);
  return path;
}

}  // namespace

void ApplyAutostart() {
  std::string path = XdgAutostartPath(getenv("XDG_CONFIG_HOME"), getenv("HOME"));
  if (path.empty()) return;
  if (g_app.Autoload == 0) {
    UnixFiles().RemoveFile(path);
    return;
  }
  std::string program = ProgramFile();
  if (program.empty()) return;
  std::string entry = XdgAutostartEntry(XdgAutostartNativeExec(program));
  // Written beside the entry and renamed over it, so a session never reads half an entry.
  if (!entry.empty() && MakeUnixFoldersFor(path)) UnixFiles().WriteFileAtomically(path, entry);
}
