// The length of an Ogg Vorbis or Opus stream from its page headers alone, for a file whose end
// libsndfile cannot find (a cut download, a file still being written).
#pragma once

#include <cstdint>

class MediaFile;

// Frames at the decoding rate up to the end of the last whole page of the file's first stream,
// which is as far as a decoder gets; 0 when no whole page ends a packet. The file's position is
// left where it was.
uint64_t OggFramesToLastWholePage(MediaFile& file, bool opus, uint32_t rate);
