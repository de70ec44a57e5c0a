// Media bytes through the libsndfile decoder alone, which the engine offers every stream first.
#include "playback/engine/audio_engine.h"
#include "tests/fuzz/decoder_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const DecoderUnderTest kSndfile = {
      OpenSndfileDecoder,
      {BASS_CTYPE_STREAM_WAV, BASS_CTYPE_STREAM_AIFF, BASS_CTYPE_STREAM_OGG, BASS_CTYPE_STREAM_OPUS,
       BASS_CTYPE_STREAM_FLAC},
      true};
  CheckDecoder(kSndfile, data, size);
  return 0;
}
