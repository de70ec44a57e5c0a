// Media bytes through the MPEG audio decoder alone, with every frame counted for the length as
// the player asks.
#include "playback/engine/audio_engine.h"
#include "tests/fuzz/decoder_check.h"

namespace {

std::unique_ptr<Decoder> OpenScanned(std::unique_ptr<MediaFile>& file) {
  return OpenMpegDecoder(file, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DecoderUnderTest kMpeg = {
      OpenScanned, {BASS_CTYPE_STREAM_MP1, BASS_CTYPE_STREAM_MP2, BASS_CTYPE_STREAM_MP3}, false};
  CheckDecoder(kMpeg, data, size);
  return 0;
}
