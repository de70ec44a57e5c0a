#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/file_system.h"
#include "playback/engine/audio_engine.h"
#include "playback/engine/decoder.h"
#include "playback/engine/media_seek.h"
#include "playback/engine/read_ahead_file.h"

namespace {

// How far after an ID3v2 tag the first frame may begin: real files put at most some padding
// there, while a module with compressed samples has its header first.
constexpr size_t kMaxLeadingJunk = 4096;
constexpr size_t kProbeBytes = 16384;
constexpr int kFramesToConfirm = 4;

struct FrameHeader {
  int version;  // 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
  int layer;    // 1, 2 or 3
  int rate;
  size_t length;
};

bool ParseHeader(const unsigned char* p, FrameHeader* header) {
  static const int kBitrates[2][3][15] = {
      {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
       {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
       {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
      {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
       {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  static const int kRates[3] = {44100, 48000, 32000};
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  int version = (p[1] >> 3) & 3;
  int layerBits = (p[1] >> 1) & 3;
  int bitrateIndex = p[2] >> 4;
  int rateIndex = (p[2] >> 2) & 3;
  int padding = (p[2] >> 1) & 1;
  // Free-format frames and reserved values never occur in files the player is given.
  if (version == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3 ||
      (p[3] & 3) == 2) {
    return false;
  }
  int layer = 4 - layerBits;
  int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  int bitrate = kBitrates[version == 3 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
  size_t length;
  if (layer == 1) {
    length = static_cast<size_t>((12 * bitrate / rate + padding) * 4);
  } else if (layer == 3 && version != 3) {
    length = static_cast<size_t>(72 * bitrate / rate + padding);
  } else {
    length = static_cast<size_t>(144 * bitrate / rate + padding);
  }
  *header = {version, layer, rate, length};
  return length >= 4;
}

// The frames libmpg123 decodes before a seek's target, so that the target sounds as in a straight
// read: a layer III frame takes part of its data from the frames before it (up to 511 bytes back,
// 255 in MPEG 2 and 2.5) and overlaps the one before. Its default of four covers usual bitrates
// only; at the lowest bitrate, as VBR files use for quiet parts, the data reaches back further.
long SeekPreframes(int layer, long rate) {
  if (layer != 3) return 2;
  bool mpeg1 = rate >= 32000;
  long reservoir = mpeg1 ? 511 : 255;
  // The smallest frame, at 32 kbit/s in MPEG 1 and 8 kbit/s in MPEG 2 and 2.5.
  long smallest = mpeg1 ? 144 * 32000 / rate : 72 * 8000 / rate;
  // Header, checksum and stereo side information come before each frame's data.
  long overhead = 4 + 2 + (mpeg1 ? 32 : 17);
  long data = std::max(smallest - overhead, 1L);
  return (reservoir + data - 1) / data + 1;
}

ssize_t ReaderRead(void* handle, void* buffer, size_t size) {
  int64_t n = static_cast<MediaFile*>(handle)->Read(buffer, static_cast<int64_t>(size));
  return n < 0 ? -1 : static_cast<ssize_t>(n);
}

off_t ReaderSeek(void* handle, off_t offset, int whence) {
  return static_cast<off_t>(SeekMediaFile(*static_cast<MediaFile*>(handle), offset, whence));
}

class MpegDecoder : public Decoder {
 public:
  MpegDecoder(std::unique_ptr<MediaFile> file, std::unique_ptr<ReadAheadFile> reader,
              mpg123_handle* mh, uint32_t rate, uint32_t channels, uint64_t length, uint32_t ctype)
      : file_(std::move(file)),
        reader_(std::move(reader)),
        mh_(mh),
        rate_(rate),
        channels_(channels),
        length_(length),
        ctype_(ctype) {}
  ~MpegDecoder() override {
    mpg123_close(mh_);
    mpg123_delete(mh_);
  }

  uint32_t Rate() const override { return rate_; }
  uint32_t Channels() const override { return channels_; }
  uint64_t LengthFrames() const override { return length_; }
  uint32_t ChannelType() const override { return ctype_; }
  uint32_t Read(float* out, uint32_t frameCount) override {
    size_t frameBytes = sizeof(float) * channels_;
    size_t wanted = frameCount * frameBytes;
    size_t total = 0;
    // A few rounds: a format or frame boundary can end a call with nothing delivered.
    for (int round = 0; round < 8 && total < wanted; ++round) {
      size_t done = 0;
      int result =
          mpg123_read(mh_, reinterpret_cast<unsigned char*>(out) + total, wanted - total, &done);
      total += done;
      if (result != MPG123_OK && result != MPG123_NEW_FORMAT) break;
    }
    return static_cast<uint32_t>(total / frameBytes);
  }
  double Seek(uint64_t frame) override {
    off_t reached = mpg123_seek(mh_, static_cast<off_t>(frame), SEEK_SET);
    if (reached < 0) return -1;
    // After damaged frames libmpg123 may report a position past the frame asked for, even past
    // the length; the channel would then show a time beyond the end.
    return static_cast<double>(std::min(static_cast<uint64_t>(reached), frame));
  }

 private:
  std::unique_ptr<MediaFile> file_;
  // What libmpg123 reads through, over file_.
  std::unique_ptr<ReadAheadFile> reader_;
  mpg123_handle* mh_;
  uint32_t rate_;
  uint32_t channels_;
  uint64_t length_;
  uint32_t ctype_;
};

// The start of the audio data: the first kProbeBytes after any ID3v2 tag.
bool ReadProbe(MediaFile& file, std::string* probe, bool* wholeFile) {
  unsigned char tag[10];
  int64_t start = 0;
  if (file.Read(tag, 10) == 10 && std::memcmp(tag, "ID3", 3) == 0) {
    int64_t size =
        (tag[6] & 0x7F) << 21 | (tag[7] & 0x7F) << 14 | (tag[8] & 0x7F) << 7 | (tag[9] & 0x7F);
    start = 10 + size + ((tag[5] & 0x10) ? 10 : 0);
  }
  if (!file.Seek(start)) return false;
  probe->resize(kProbeBytes);
  int64_t n = file.Read(probe->data(), static_cast<int64_t>(kProbeBytes));
  if (n <= 0) return false;
  probe->resize(static_cast<size_t>(n));
  *wholeFile = start + n >= file.Size();
  return file.Seek(0);
}

}  // namespace

bool LooksLikeMpegAudio(const unsigned char* bytes, size_t size, bool wholeFile, int* layer) {
  if (size >= 3 && std::memcmp(bytes, "MO3", 3) == 0) return false;
  for (size_t start = 0; start <= kMaxLeadingJunk && start + 4 <= size; ++start) {
    FrameHeader first;
    if (!ParseHeader(bytes + start, &first)) continue;
    size_t pos = start + first.length;
    int frames = 1;
    bool confirmed = false;
    while (!confirmed) {
      if (frames >= kFramesToConfirm) {
        confirmed = true;
      } else if (pos + 4 > size) {
        // A short file: every frame it has lined up, ending at the end or at an ID3v1 tag.
        bool atEnd = pos == size || (pos + 3 <= size && std::memcmp(bytes + pos, "TAG", 3) == 0);
        confirmed = wholeFile && atEnd && frames >= 2;
        break;
      } else {
        FrameHeader next;
        if (!ParseHeader(bytes + pos, &next) || next.version != first.version ||
            next.layer != first.layer || next.rate != first.rate) {
          break;
        }
        pos += next.length;
        ++frames;
      }
    }
    if (confirmed) {
      *layer = first.layer;
      return true;
    }
  }
  return false;
}

std::unique_ptr<Decoder> OpenMpegDecoder(std::unique_ptr<MediaFile>& file, bool exactScan) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  std::string probe;
  bool wholeFile = false;
  int layer = 0;
  if (!ReadProbe(*file, &probe, &wholeFile) ||
      !LooksLikeMpegAudio(reinterpret_cast<const unsigned char*>(probe.data()), probe.size(),
                          wholeFile, &layer)) {
    return nullptr;
  }

  mpg123_handle* mh = mpg123_new(nullptr, nullptr);
  if (!mh) return nullptr;
  mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_format_none(mh);
  const long* rates = nullptr;
  size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (size_t i = 0; i < rateCount; ++i) {
    mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  auto reader = std::make_unique<ReadAheadFile>(*file);
  if (mpg123_replace_reader_handle(mh, ReaderRead, ReaderSeek, nullptr) != MPG123_OK ||
      mpg123_open_handle(mh, reader.get()) != MPG123_OK ||
      mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK ||
      encoding != MPG123_ENC_FLOAT_32 || (exactScan && mpg123_scan(mh) != MPG123_OK)) {
    mpg123_close(mh);
    mpg123_delete(mh);
    return nullptr;
  }
  off_t length = mpg123_length(mh);
  if (length <= 0 || rate <= 0 || channels < 1) {
    mpg123_close(mh);
    mpg123_delete(mh);
    return nullptr;
  }
  mpg123_param(mh, MPG123_PREFRAMES, SeekPreframes(layer, rate), 0);
  uint32_t ctype = layer == 1   ? BASS_CTYPE_STREAM_MP1
                   : layer == 2 ? BASS_CTYPE_STREAM_MP2
                                : BASS_CTYPE_STREAM_MP3;
  return std::make_unique<MpegDecoder>(std::move(file), std::move(reader), mh,
                                       static_cast<uint32_t>(rate), static_cast<uint32_t>(channels),
                                       static_cast<uint64_t>(length), ctype);
}
