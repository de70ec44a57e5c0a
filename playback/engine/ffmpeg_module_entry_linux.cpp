// The entry of the FFmpeg decoder module (ffmpeg_module_linux.h): the only symbol it exports.
#include "playback/engine/decoder.h"
#include "playback/engine/ffmpeg_module_linux.h"

extern "C" __attribute__((visibility("default"))) Decoder* tunlark_open_ffmpeg_decoder(
    std::unique_ptr<MediaFile>* file) {
  return OpenFfmpegDecoder(*file).release();
}
