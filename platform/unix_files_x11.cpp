#include "platform/unix_files_x11.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "platform/file_system.h"

FileSystem& UnixFiles() {
  static std::unique_ptr<FileSystem> files = CreatePosixFileSystem();
  return *files;
}

bool MakeUnixFoldersFor(const std::string& path) {
  for (std::string::size_type slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    if (mkdir(path.substr(0, slash).c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The program directory Wine reports is a Windows path; the shared object this function lives
// in is the program.
std::string UnixProgramFile() {
  Dl_info info = {};
  if (dladdr(reinterpret_cast<void*>(&UnixProgramFile), &info) == 0 || !info.dli_fname)
    return std::string();
  char* resolved = realpath(info.dli_fname, nullptr);
  if (!resolved) return std::string();
  std::string path(resolved);
  free(resolved);
  return path;
}

bool IsUnixExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0;
}
