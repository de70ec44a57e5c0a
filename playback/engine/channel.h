// One open stream or module: its decoder, the resampler to the output rate, the play state and
// the record of which output frames carried which source frames, so that the position reported
// is the one being heard.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "playback/engine/decoder.h"
#include "playback/engine/resampler.h"
#include "playback/engine/engine_config.h"

class Channel {
 public:
  enum class State { kStopped, kPlaying, kPaused };

  Channel(std::unique_ptr<Decoder> decoder, uint32_t outputRate, uint32_t maxBlockFrames,
          uint32_t flags, bool isMusic);
  ~Channel();
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  bool Ready() const { return ready_; }
  const Decoder& decoder() const { return *decoder_; }
  bool isMusic() const { return isMusic_; }
  uint32_t flags() const { return flags_; }
  uint32_t BytesPerFrame() const;
  uint64_t LengthFrames() const { return decoder_->LengthFrames(); }

  // Adds frameCount stereo frames at the output rate into mix, scaled by the volume (ramped from
  // the previous block's). Past the end of the data it adds nothing and remembers where the data
  // ended, at output frame outStart + the frames it had.
  void MixInto(float* mix, uint32_t frameCount, uint64_t outStart);
  // The source frame heard at output frame heardOut while playing.
  double PositionAt(uint64_t heardOut) const;
  // True once the data has ended and its last frame has been heard.
  bool FinishedAt(uint64_t heardOut) const { return dataEnded_ && heardOut >= endOut_; }
  // Takes back what was mixed but not heard by output frame heardOut, after the output dropped
  // it: the channel mixes it again from its history, so a pause, a stop or a volume change
  // neither loses nor repeats a frame and needs no seek (modules seek only to a row).
  void Unmix(uint64_t heardOut);
  // Moves the decoder to frame and forgets what was queued for the output.
  void Reposition(double frame);

  State state = State::kStopped;
  float volume = 1.0f;
  // The position while not playing, and where playing resumes.
  double heldPosition = 0;
  // Stopped because its end was heard: playing starts it again from the start.
  bool endedNaturally = false;
  // That end, until the program has been told of it (TakeChannelEnd); a stop or a new position
  // forgets it.
  bool endUntold = false;
  // Stops the channel at its end, heard at output frame heardOut.
  void FinishAt(uint64_t heardOut);

 private:
  struct Block {
    uint64_t outStart;
    double sourceStart;
    uint32_t frames;
  };
  uint32_t Render(float* out, uint32_t frameCount);
  uint32_t ReadStereo(float* out, uint32_t frameCount);
  static uint32_t PullStereo(void* channel, float* out, uint32_t frameCount);

  std::unique_ptr<Decoder> decoder_;
  uint32_t outputRate_;
  uint32_t flags_;
  bool isMusic_;
  bool ready_ = false;
  double ratio_;                          // source frames per output frame
  std::unique_ptr<Resampler> resampler_;  // null when the rates agree
  std::vector<float> decoded_;            // the decoder's frames, in its channel count
  std::vector<float> rendered_;           // one block at the output rate
  // The latest frames at the output rate, before the volume: a ring of historyFrames_.
  std::vector<float> history_;
  uint64_t historyFrames_ = 0;
  uint64_t historyEnd_ = 0;  // frames rendered since the last Reposition
  uint64_t mixed_ = 0;       // of those, frames mixed (fewer after Unmix)
  bool decoderDone_ = false;
  bool dataEnded_ = false;
  uint64_t endOut_ = 0;
  float appliedVolume_ = -1;
  double sourcePosition_ = 0;  // the source frame of the next output frame mixed
  // One a mixing block: more than an output may hold queued.
  std::array<Block, kMaxQueuedBlocks + 16> blocks_{};
  size_t blockCount_ = 0;
  size_t nextBlock_ = 0;
  uint64_t firstOut_ = 0;  // output frame of the first block since the last Reposition
};
