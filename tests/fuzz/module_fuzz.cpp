// Media bytes through the tracker module decoder alone, with volume ramping as the player asks.
#include "playback/engine/audio_engine.h"
#include "tests/fuzz/decoder_check.h"

namespace {

std::unique_ptr<Decoder> OpenRamped(std::unique_ptr<MediaFile>& file) {
  return OpenModuleDecoder(file, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The length is the song's time as libopenmpt works it out, not what rendering gives.
  static const DecoderUnderTest kModule = {
      OpenRamped,
      {BASS_CTYPE_MUSIC_MOD, BASS_CTYPE_MUSIC_MTM, BASS_CTYPE_MUSIC_S3M, BASS_CTYPE_MUSIC_XM,
       BASS_CTYPE_MUSIC_IT, BASS_CTYPE_MUSIC_MO3},
      false};
  CheckDecoder(kModule, data, size);
  return 0;
}
