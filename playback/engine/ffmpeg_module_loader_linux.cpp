// OpenFfmpegDecoder of the native program: the decoder of the module beside it, loaded with the
// first track handed to it. Without the module such a track fails to open as any file no decoder
// takes does.
#include <mutex>

#include "playback/engine/decoder.h"
#include "playback/engine/ffmpeg_module_linux.h"

std::unique_ptr<Decoder> OpenFfmpegDecoder(std::unique_ptr<MediaFile>& file) {
  // Tried once: a missing module is not looked for again at every track.
  static std::once_flag loaded;
  static FfmpegModuleEntry entry = nullptr;
  std::call_once(loaded, [] { entry = LoadFfmpegModule(FfmpegModuleBesideProgram()); });
  if (!entry) return nullptr;
  return std::unique_ptr<Decoder>(entry(&file));
}
