// Media bytes through the FFmpeg decoder alone: AAC and ALAC in MP4, WMA in ASF.
#include "playback/engine/audio_engine.h"
#include "tests/fuzz/decoder_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DecoderUnderTest kFfmpeg = {
      OpenFfmpegDecoder,
      {BASS_CTYPE_STREAM_AAC, BASS_CTYPE_STREAM_ALAC, BASS_CTYPE_STREAM_WMA},
      true};
  CheckDecoder(kFfmpeg, data, size);
  return 0;
}
