// An output for tests that records what would be heard. Its clock is the test's: nothing is
// played until Advance, so positions and sound are exact and the tests run faster than real time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "playback/engine/engine_config.h"

class CaptureOutput : public AudioOutput {
 public:
  bool Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) override;
  void Close() override {}
  bool WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) override;
  void Write(const float* frames, uint32_t frameCount) override;
  uint32_t QueuedFrames() override;
  void Discard() override;
  void SetActive(bool active) override;
  bool Failed() override;
  bool Reopen() override;

  // Takes the device away (it fails, and opening it again fails) or brings it back (the next
  // Reopen succeeds), as a sound server that ends and starts again.
  void SetDevicePresent(bool present);

  // Plays frameCount frames: what the engine queued, waiting for the mixing thread when it has
  // not yet, or silence while the engine has nothing to play.
  void Advance(uint32_t frameCount);
  void AdvanceMs(uint32_t ms) { Advance(rate_ * ms / 1000); }
  // Everything heard so far (interleaved stereo), emptying the record.
  std::vector<float> TakeHeard();
  uint32_t rate() const { return rate_; }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint32_t rate_ = 44100;
  uint32_t channels_ = 2;
  uint32_t capacity_ = 0;
  bool active_ = false;
  bool present_ = true;
  bool failed_ = false;
  std::deque<float> queue_;
  std::vector<float> heard_;
};

// Fills config so that BASS_Init creates a capture output; *capture points at it afterwards.
void UseCaptureOutput(EngineConfig* config, CaptureOutput** capture);
