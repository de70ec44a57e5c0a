// Converts stereo float frames to the output rate with libsoxr, pulling source frames through a
// callback as it needs them.
#pragma once

#include <soxr.h>

#include <cstdint>
#include <vector>

class Resampler {
 public:
  // Fills out with up to frames source frames; 0 at the end of the data.
  using Source = uint32_t (*)(void* context, float* out, uint32_t frames);

  Resampler(uint32_t inputRate, uint32_t outputRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  bool ok() const { return soxr_ != nullptr; }
  // Up to frameCount output frames; fewer only once the source has ended and all is handed out.
  uint32_t Pull(float* out, uint32_t frameCount, Source source, void* context);
  // Forgets everything held, for a new position.
  void Clear();

 private:
  soxr_t soxr_ = nullptr;
  std::vector<float> input_;  // source frames waiting for soxr
  size_t offset_ = 0;
  size_t frames_ = 0;
  bool sourceDone_ = false;
};
