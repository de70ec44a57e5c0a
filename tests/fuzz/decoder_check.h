// The run each decoder's fuzz target makes: the input opened through the decoder's own interface,
// read as a channel reads it, sought once and read again, with no resampler or output in the way,
// so that thousands of inputs a second reach the decoder's glue code. Every property a channel
// relies on is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "playback/engine/decoder.h"

class MediaFile;

struct DecoderUnderTest {
  std::unique_ptr<Decoder> (*open)(std::unique_ptr<MediaFile>& file);
  // The channel types it may report.
  std::vector<uint32_t> types;
  // Whether reading never goes past LengthFrames(): the length comes from the data itself, not
  // from an estimate.
  bool exactLength;
};

void CheckDecoder(const DecoderUnderTest& decoder, const uint8_t* data, size_t size);
