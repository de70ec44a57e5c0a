#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/xdg_autostart.h"

namespace {

// The Linux path of Tunlark.exe.so: the program directory Wine reports is a Windows path.
std::string ProgramFile() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&ApplyXdgAutostart), &info) == 0 || !info.dli_fname)
    return std::string();
  char* resolved = realpath(info.dli_fname, nullptr);
  if (!resolved) return std::string();
  std::string path(resolved);
  free(resolved);
  return path;
}

bool MakeFolders(const std::string& path) {
  for (std::string::size_type slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Written beside the entry and renamed over it, so a session never reads half an entry.
void WriteWhole(const std::string& path, const std::string& text) {
  if (!MakeFolders(path)) return;
  std::string temporary = path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return;
  bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  written = close(fd) == 0 && written;
  if (!written || rename(temporary.c_str(), path.c_str()) != 0) unlink(temporary.c_str());
}

}  // namespace

void ApplyXdgAutostart(bool enabled) {
  const char* home = getenv("HOME");
  std::string path = XdgAutostartPath(getenv("XDG_CONFIG_HOME"), home);
  if (path.empty()) return;
  if (!enabled) {
    unlink(path.c_str());
    return;
  }
  std::string program = ProgramFile();
  if (program.empty()) return;
  std::string launcher = program.substr(0, program.rfind('/')) + "/tunlark";
  std::string entry = XdgAutostartEntry(
      XdgAutostartExec(program, access(launcher.c_str(), X_OK) == 0, getenv("WINEPREFIX"), home,
                       getenv("LANG"), getenv("LC_ALL")));
  if (!entry.empty()) WriteWhole(path, entry);
}
