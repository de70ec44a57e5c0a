#include "playback/engine/ffmpeg_module_linux.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

FfmpegModuleEntry LoadFfmpegModule(const std::string& path) {
  // dlopen takes an empty name for the program itself.
  if (path.empty()) return nullptr;
  // Local: the module's FFmpeg symbols stay its own. Now: a missing library fails here, once,
  // rather than in the middle of a track.
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    std::fprintf(stderr, "tunlark: no FFmpeg decoder: %s\n", dlerror());
    return nullptr;
  }
  void* entry = dlsym(module, kFfmpegModuleEntry);
  if (!entry) {
    std::fprintf(stderr, "tunlark: no FFmpeg decoder in %s\n", path.c_str());
    dlclose(module);
    return nullptr;
  }
  return reinterpret_cast<FfmpegModuleEntry>(entry);
}

std::string FfmpegModuleBesideProgram() {
  std::vector<char> buffer(4096);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<size_t>(length) >= buffer.size()) return {};
  std::string program(buffer.data(), static_cast<size_t>(length));
  size_t slash = program.rfind('/');
  if (slash == std::string::npos) return {};
  return program.substr(0, slash + 1) + kFfmpegModuleName;
}
