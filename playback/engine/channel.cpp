#include "playback/engine/channel.h"

#include <algorithm>
#include <cmath>

#include "playback/engine/audio_engine.h"

namespace {
// Source frames taken from the decoder at a time.
constexpr uint32_t kChunkFrames = 1024;
// Mixing blocks kept for mixing again: more than any output holds queued.
constexpr uint32_t kHistoryBlocks = kMaxQueuedBlocks + 8;
}  // namespace

Channel::Channel(std::unique_ptr<Decoder> decoder, uint32_t outputRate, uint32_t maxBlockFrames,
                 uint32_t flags, bool isMusic)
    : decoder_(std::move(decoder)), outputRate_(outputRate), flags_(flags), isMusic_(isMusic) {
  ratio_ = static_cast<double>(decoder_->Rate()) / outputRate_;
  decoded_.resize(static_cast<size_t>(kChunkFrames) * decoder_->Channels());
  rendered_.resize(static_cast<size_t>(maxBlockFrames) * 2);
  historyFrames_ = static_cast<uint64_t>(maxBlockFrames) * kHistoryBlocks;
  history_.resize(historyFrames_ * 2);
  if (decoder_->Rate() != outputRate_) {
    resampler_ = std::make_unique<Resampler>(decoder_->Rate(), outputRate_);
    ready_ = resampler_->ok();
  } else {
    ready_ = true;
  }
}

Channel::~Channel() = default;

uint32_t Channel::BytesPerFrame() const {
  return decoder_->Channels() * ((flags_ & BASS_SAMPLE_FLOAT) ? 4 : 2);
}

uint32_t Channel::ReadStereo(float* out, uint32_t frameCount) {
  uint32_t want = std::min(frameCount, kChunkFrames);
  uint32_t got = decoder_->Read(decoded_.data(), want);
  uint32_t channels = decoder_->Channels();
  if (channels == 2) {
    std::copy(decoded_.begin(), decoded_.begin() + got * 2, out);
  } else {
    // Mono goes to both sides; of more channels the first two are the front pair.
    for (uint32_t i = 0; i < got; ++i) {
      const float* frame = &decoded_[static_cast<size_t>(i) * channels];
      out[i * 2] = frame[0];
      out[i * 2 + 1] = channels == 1 ? frame[0] : frame[1];
    }
  }
  // A damaged float file may hold NaN or infinite samples; they would spread through the
  // resampler and reach the device as full-scale clicks.
  for (uint32_t i = 0; i < got * 2; ++i) {
    if (!std::isfinite(out[i])) out[i] = 0.0f;
  }
  return got;
}

uint32_t Channel::PullStereo(void* channel, float* out, uint32_t frameCount) {
  auto* self = static_cast<Channel*>(channel);
  uint32_t got = self->ReadStereo(out, frameCount);
  if (got == 0) self->decoderDone_ = true;
  return got;
}

uint32_t Channel::Render(float* out, uint32_t frameCount) {
  if (resampler_) return resampler_->Pull(out, frameCount, PullStereo, this);
  uint32_t produced = 0;
  while (produced < frameCount && !decoderDone_) {
    produced += PullStereo(this, out + produced * 2, frameCount - produced);
  }
  return produced;
}

void Channel::MixInto(float* mix, uint32_t frameCount, uint64_t outStart) {
  if (dataEnded_) return;
  uint32_t got = 0;
  // What was taken back first, then fresh frames, which the history keeps.
  for (; got < frameCount && mixed_ < historyEnd_; ++got, ++mixed_) {
    const float* frame = &history_[(mixed_ % historyFrames_) * 2];
    rendered_[got * 2] = frame[0];
    rendered_[got * 2 + 1] = frame[1];
  }
  if (got < frameCount) {
    uint32_t fresh = Render(rendered_.data() + got * 2, frameCount - got);
    for (uint32_t i = 0; i < fresh; ++i, ++historyEnd_) {
      float* frame = &history_[(historyEnd_ % historyFrames_) * 2];
      frame[0] = rendered_[(got + i) * 2];
      frame[1] = rendered_[(got + i) * 2 + 1];
    }
    mixed_ = historyEnd_;
    got += fresh;
  }
  // The volume moves across the block instead of jumping, which would click.
  float from = appliedVolume_ < 0 ? volume : appliedVolume_;
  float step = (volume - from) / static_cast<float>(frameCount);
  for (uint32_t i = 0; i < got; ++i) {
    float gain = from + step * static_cast<float>(i + 1);
    mix[i * 2] += rendered_[i * 2] * gain;
    mix[i * 2 + 1] += rendered_[i * 2 + 1] * gain;
  }
  appliedVolume_ = volume;
  if (blockCount_ == 0) firstOut_ = outStart;
  blocks_[nextBlock_] = {outStart, sourcePosition_, got};
  nextBlock_ = (nextBlock_ + 1) % blocks_.size();
  blockCount_ = std::min(blockCount_ + 1, blocks_.size());
  sourcePosition_ = std::min(sourcePosition_ + got * ratio_, static_cast<double>(LengthFrames()));
  if (got < frameCount) {
    dataEnded_ = true;
    endOut_ = outStart + got;
  }
}

double Channel::PositionAt(uint64_t heardOut) const {
  for (size_t i = 0; i < blockCount_; ++i) {
    const Block& block = blocks_[(nextBlock_ + blocks_.size() - 1 - i) % blocks_.size()];
    if (heardOut < block.outStart) continue;
    uint64_t into = std::min<uint64_t>(heardOut - block.outStart, block.frames);
    return std::min(block.sourceStart + into * ratio_, static_cast<double>(LengthFrames()));
  }
  return heldPosition;
}

void Channel::Unmix(uint64_t heardOut) {
  if (blockCount_ == 0) return;
  const Block& last = blocks_[(nextBlock_ + blocks_.size() - 1) % blocks_.size()];
  uint64_t mixedEnd = last.outStart + last.frames;
  uint64_t from = std::max(heardOut, firstOut_);
  uint64_t unheard = mixedEnd > from ? mixedEnd - from : 0;
  double position = PositionAt(heardOut);
  uint64_t oldest = historyEnd_ > historyFrames_ ? historyEnd_ - historyFrames_ : 0;
  if (unheard > mixed_ || mixed_ - unheard < oldest) {
    Reposition(position);  // more than the history holds: seek instead
    return;
  }
  mixed_ -= unheard;
  sourcePosition_ = heldPosition = position;
  dataEnded_ = false;
  appliedVolume_ = -1;
  blockCount_ = nextBlock_ = 0;
}

void Channel::FinishAt(uint64_t heardOut) {
  heldPosition = PositionAt(heardOut);
  state = State::kStopped;
  endedNaturally = endUntold = true;
}

void Channel::Reposition(double frame) {
  frame = std::clamp(frame, 0.0, static_cast<double>(LengthFrames()));
  double reached = decoder_->Seek(static_cast<uint64_t>(std::floor(frame)));
  if (reached < 0) reached = frame;
  sourcePosition_ = heldPosition = reached;
  if (resampler_) resampler_->Clear();
  decoderDone_ = dataEnded_ = endedNaturally = endUntold = false;
  appliedVolume_ = -1;
  blockCount_ = nextBlock_ = 0;
  historyEnd_ = mixed_ = 0;
}
