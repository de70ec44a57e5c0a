#include "playback/engine/ffmpeg_module_linux.h"

#include <dlfcn.h>

#include <cstdio>

#include "platform/running_program_linux.h"

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
  std::string folder = ProgramFolderOf(RunningProgramFile());
  if (folder.empty()) return {};
  return folder + kFfmpegModuleName;
}
