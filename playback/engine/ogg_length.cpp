#include "playback/engine/ogg_length.h"

#include "platform/file_system.h"

namespace {

constexpr int kPageHeaderSize = 27;
constexpr uint32_t kOpusGranuleRate = 48000;

uint64_t LittleEndian(const unsigned char* bytes, int count) {
  uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

bool ReadFully(MediaFile& file, unsigned char* buffer, int64_t size) {
  return file.Read(buffer, size) == size;
}

struct StreamEnd {
  uint64_t granule = 0;
  uint64_t preSkip = 0;  // Opus: frames at 48 kHz the decoder drops at the start
};

// Walks the pages by their headers, skipping the bodies, and stops at the first page that is not
// whole or not a page: a cut or damaged tail plays no further than that either.
StreamEnd LastGranuleOfFirstStream(MediaFile& file, bool opus) {
  StreamEnd end;
  int64_t size = file.Size();
  int64_t offset = 0;
  uint64_t serial = 0;
  unsigned char header[kPageHeaderSize];
  unsigned char lacing[255];
  for (bool first = true; file.Seek(offset); first = false) {
    if (!ReadFully(file, header, kPageHeaderSize)) break;
    if (header[0] != 'O' || header[1] != 'g' || header[2] != 'g' || header[3] != 'S' ||
        header[4] != 0)
      break;
    int segments = header[26];
    if (!ReadFully(file, lacing, segments)) break;
    int64_t body = 0;
    for (int i = 0; i < segments; ++i) body += lacing[i];
    int64_t next = offset + kPageHeaderSize + segments + body;
    if (next > size) break;
    uint64_t granule = LittleEndian(header + 6, 8);
    if (first) {
      serial = LittleEndian(header + 14, 4);
      // OpusHead: "OpusHead", version, channels, then the pre-skip.
      unsigned char head[12];
      if (opus && body >= 12 && ReadFully(file, head, 12)) end.preSkip = LittleEndian(head + 10, 2);
    } else if (LittleEndian(header + 14, 4) == serial && granule != ~uint64_t{0}) {
      end.granule = granule;  // all ones: no packet ends on this page
    }
    offset = next;
  }
  return end;
}

}  // namespace

uint64_t OggFramesToLastWholePage(MediaFile& file, bool opus, uint32_t rate) {
  int64_t position = file.Tell();
  StreamEnd end = LastGranuleOfFirstStream(file, opus);
  file.Seek(position);
  if (!opus) return end.granule;
  if (end.granule <= end.preSkip || rate == 0 || rate > kOpusGranuleRate) return 0;
  // Opus granules count 48 kHz frames whatever rate the stream decodes at.
  return (end.granule - end.preSkip) / (kOpusGranuleRate / rate);
}
