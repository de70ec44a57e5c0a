#include "tests/fuzz/decoder_check.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "platform/file_system.h"
#include "tests/fuzz/memory_file_system.h"

namespace {

// Frames read before and after the seek: enough for a few of every codec's frames, few enough
// for a short run.
constexpr uint64_t kFramesPerPass = 4096;
// The sizes a channel asks for: its whole chunk, and the odd remainders the resampler leaves.
constexpr uint32_t kChunkFrames[] = {1024, 1, 577, 64};

// Reads up to kFramesPerPass frames, each chunk into a buffer of exactly the size asked for, so
// that a decoder writing past it is caught. Returns the frames read.
uint64_t ReadPass(Decoder& decoder) {
  uint64_t total = 0;
  for (size_t i = 0; total < kFramesPerPass; ++i) {
    uint32_t want = kChunkFrames[i % std::size(kChunkFrames)];
    std::vector<float> out(static_cast<size_t>(want) * decoder.Channels());
    uint32_t got = decoder.Read(out.data(), want);
    FUZZ_CHECK(got <= want);
    if (got == 0) break;
    total += got;
  }
  return total;
}

}  // namespace

void CheckDecoder(const DecoderUnderTest& tested, const uint8_t* data, size_t size) {
  std::unique_ptr<MediaFile> file =
      OpenMemoryMediaFile(std::string(reinterpret_cast<const char*>(data), size));
  std::unique_ptr<Decoder> decoder = tested.open(file);
  // A refused file stays with the caller, which hands it to the next decoder.
  FUZZ_CHECK((decoder == nullptr) == (file != nullptr));
  if (!decoder) return;

  FUZZ_CHECK(decoder->Rate() >= 1000 && decoder->Rate() <= 384000);
  FUZZ_CHECK(decoder->Channels() >= 1 && decoder->Channels() <= 32);
  FUZZ_CHECK(std::find(tested.types.begin(), tested.types.end(), decoder->ChannelType()) !=
             tested.types.end());
  uint64_t length = decoder->LengthFrames();
  uint64_t read = ReadPass(*decoder);
  if (tested.exactLength) FUZZ_CHECK(read <= length);

  // The seek lands where the last byte says, so that the fuzzer moves it. A channel asks for no
  // frame past the length.
  uint64_t last = size == 0 ? 0 : data[size - 1];
  uint64_t target = length / 255 * last + length % 255 * last / 255;
  double reached = decoder->Seek(target);
  // Never later than asked, unless the data ended before the frame.
  FUZZ_CHECK(reached == -1 || (reached >= 0 && (reached <= static_cast<double>(target) ||
                                                reached == static_cast<double>(length))));
  read = ReadPass(*decoder);
  if (tested.exactLength && reached >= 0)
    FUZZ_CHECK(static_cast<double>(read) <= static_cast<double>(length) - reached);
}
