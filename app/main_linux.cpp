// The native program's entry point. A start that finds a player running hands its path over and
// ends having loaded GIO alone; otherwise the player module, with the engine and the rest, is
// loaded from beside the program file and run (it loads the toolkit's own module later).
#include <dlfcn.h>
#include <glib.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/command_line.h"
#include "app/hand_over_gtk.h"
#include "app/player_module.h"
#include "platform/running_program_linux.h"

namespace {

// A relative path names a file from this start's folder, which the running instance does not
// share.
std::string AbsoluteLaunchPath(const char* argument) {
  std::string path = argument ? argument : "";
  if (path.empty() || path[0] == '/') return path;
  char folder[PATH_MAX];
  if (!getcwd(folder, sizeof folder)) return path;
  return std::string(folder) + "/" + path;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread: the player's windows draw nothing through OpenGL, and GTK would otherwise
  // load the GL driver at its start (on the test display Mesa with LLVM: 30 libraries, 50 MB
  // resident and 170 ms). A value the user set stays.
  setenv(kNoToolkitGl, "disable", 0);
  std::string launchPath = AbsoluteLaunchPath(NativeLaunchArgument(argc, argv));
  if (HandedToRunningPlayer(launchPath, g_get_user_runtime_dir())) return 0;

  std::string module = ProgramFolderOf(RunningProgramFile()) + kPlayerModuleFile;
  void* player = dlopen(module.c_str(), RTLD_LAZY | RTLD_LOCAL);
  auto entry = player ? reinterpret_cast<PlayerEntry>(dlsym(player, kPlayerEntryName)) : nullptr;
  if (!entry) {
    const char* why = dlerror();
    fprintf(stderr, "tunlark: cannot load the player: %s\n", why ? why : module.c_str());
    return 1;
  }
  return entry(argc, argv, launchPath.c_str());
}
