#include "playback/engine/resampler.h"

namespace {
// Source frames pulled at a time.
constexpr uint32_t kInputFrames = 1024;
}  // namespace

Resampler::Resampler(uint32_t inputRate, uint32_t outputRate) : input_(kInputFrames * 2) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t error = nullptr;
  soxr_ = soxr_create(inputRate, outputRate, 2, &error, &io, &quality, nullptr);
  if (error) soxr_ = nullptr;
}

Resampler::~Resampler() {
  if (soxr_) soxr_delete(soxr_);
}

uint32_t Resampler::Pull(float* out, uint32_t frameCount, Source source, void* context) {
  uint32_t produced = 0;
  while (produced < frameCount) {
    if (frames_ == 0 && !sourceDone_) {
      frames_ = source(context, input_.data(), kInputFrames);
      offset_ = 0;
      if (frames_ == 0) sourceDone_ = true;
    }
    size_t used = 0;
    size_t made = 0;
    // A null input tells soxr that the data has ended, so it hands out what it holds.
    const float* input = sourceDone_ ? nullptr : input_.data() + offset_ * 2;
    soxr_process(soxr_, input, sourceDone_ ? 0 : frames_, &used, out + produced * 2,
                 frameCount - produced, &made);
    offset_ += used;
    frames_ -= used;
    produced += static_cast<uint32_t>(made);
    if (sourceDone_ && made == 0) break;
  }
  return produced;
}

void Resampler::Clear() {
  soxr_clear(soxr_);
  offset_ = frames_ = 0;
  sourceDone_ = false;
}
