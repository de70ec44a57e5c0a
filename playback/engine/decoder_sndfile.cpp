#include <sndfile.h>

#include <algorithm>

#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/media_seek.h"
#include "playback/engine/ogg_length.h"

namespace {

sf_count_t VirtualLength(void* user) {
  return static_cast<MediaFile*>(user)->Size();
}

sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user) {
  return SeekMediaFile(*static_cast<MediaFile*>(user), offset, whence);
}

sf_count_t VirtualRead(void* buffer, sf_count_t count, void* user) {
  int64_t n = static_cast<MediaFile*>(user)->Read(buffer, count);
  return n < 0 ? 0 : n;
}

sf_count_t VirtualWrite(const void*, sf_count_t, void*) {
  return 0;
}

sf_count_t VirtualTell(void* user) {
  return static_cast<MediaFile*>(user)->Tell();
}

class SndfileDecoder : public Decoder {
 public:
  SndfileDecoder(std::unique_ptr<MediaFile> file, SNDFILE* sf, const SF_INFO& info, uint32_t ctype,
                 uint64_t readLimit)
      : file_(std::move(file)), sf_(sf), info_(info), ctype_(ctype), readLimit_(readLimit) {}
  ~SndfileDecoder() override { sf_close(sf_); }

  uint32_t Rate() const override { return static_cast<uint32_t>(info_.samplerate); }
  uint32_t Channels() const override { return static_cast<uint32_t>(info_.channels); }
  uint64_t LengthFrames() const override { return static_cast<uint64_t>(info_.frames); }
  uint32_t ChannelType() const override { return ctype_; }
  uint32_t Read(float* out, uint32_t frameCount) override {
    uint64_t left = readLimit_ - std::min(position_, readLimit_);
    sf_count_t n =
        sf_readf_float(sf_, out, static_cast<sf_count_t>(std::min<uint64_t>(frameCount, left)));
    uint32_t got = n > 0 ? static_cast<uint32_t>(n) : 0;
    position_ += got;
    return got;
  }
  double Seek(uint64_t frame) override {
    // libsndfile decodes the last stretch of an Ogg Opus seek in steps it counts in an int, so a
    // seek 2^31 frames or more past where its page search stopped never returns. A cut download,
    // whose end it cannot find, reports a length of 2^63 frames and gets such seeks; a long
    // target is therefore reached in shorter seeks, each from where the one before landed.
    frame = std::min(frame, readLimit_);  // libsndfile lands a cut file's far seeks early
    uint64_t step = 0;
    double reached = 0;
    do {
      step = std::min(frame, step + kLongestSeekFrames);
      reached = SeekOnce(step);
    } while (reached == static_cast<double>(step) && step < frame);
    return reached;
  }

 private:
  static constexpr uint64_t kLongestSeekFrames = uint64_t{1} << 30;

  double SeekOnce(uint64_t frame) {
    sf_count_t reached = sf_seek(sf_, static_cast<sf_count_t>(frame), SEEK_SET);
    if (reached < 0) return -1;
    position_ = static_cast<uint64_t>(reached);
    return static_cast<double>(reached);
  }

  std::unique_ptr<MediaFile> file_;  // read by sf_ through the virtual I/O, so closed after it
  SNDFILE* sf_;
  SF_INFO info_;
  uint32_t ctype_;
  // A length counted from Ogg pages, which a damaged file's headers may set short of what its
  // packets hold, is kept to: the channel ends where it says.
  uint64_t readLimit_;
  uint64_t position_ = 0;  // the next frame Read gives
};

}  // namespace

std::unique_ptr<Decoder> OpenSndfileDecoder(std::unique_ptr<MediaFile>& file) {
  SF_VIRTUAL_IO io = {VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};
  SF_INFO info = {};
  SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, file.get());
  if (!sf) return nullptr;
  // Only the formats the player offers; MPEG audio goes to libmpg123, which gets VBR lengths
  // right.
  uint32_t ctype = 0;
  switch (info.format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_W64:
    case SF_FORMAT_RF64:
      ctype = BASS_CTYPE_STREAM_WAV;
      break;
    case SF_FORMAT_AIFF:
      ctype = BASS_CTYPE_STREAM_AIFF;
      break;
    case SF_FORMAT_OGG:
      ctype = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS ? BASS_CTYPE_STREAM_OPUS
                                                                  : BASS_CTYPE_STREAM_OGG;
      break;
    case SF_FORMAT_FLAC:
      ctype = BASS_CTYPE_STREAM_FLAC;
      break;
    default:
      break;
  }
  if (ctype == 0 || info.channels < 1 || info.channels > 32 || info.samplerate < 1000 ||
      info.samplerate > 384000 || info.frames < 0) {
    sf_close(sf);
    return nullptr;
  }
  // For an Ogg file whose end it cannot find (cut short) libsndfile says SF_COUNT_MAX frames, which
  // the length, the seeks and the end of the track would all go by; its whole pages say how far
  // it will decode.
  uint64_t readLimit = ~uint64_t{0};
  if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_OGG && info.frames == SF_COUNT_MAX) {
    uint64_t frames = OggFramesToLastWholePage(*file, ctype == BASS_CTYPE_STREAM_OPUS,
                                               static_cast<uint32_t>(info.samplerate));
    info.frames = static_cast<sf_count_t>(std::min<uint64_t>(frames, SF_COUNT_MAX));
    readLimit = static_cast<uint64_t>(info.frames);
  }
  // Integer PCM comes out at full scale rather than clipped.
  sf_command(sf, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  return std::make_unique<SndfileDecoder>(std::move(file), sf, info, ctype, readLimit);
}
