// Plays through the first of several outputs that opens: the sound server's own protocol where
// one answers, the system's device otherwise.
#include <utility>
#include <vector>

#include "playback/engine/engine_config.h"

namespace {

class FallbackOutput : public AudioOutput {
 public:
  explicit FallbackOutput(std::vector<OutputFactory> candidates)
      : candidates_(std::move(candidates)) {}

  bool Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) override {
    for (const OutputFactory& create : candidates_) {
      chosen_ = create ? create() : nullptr;
      if (chosen_ && chosen_->Open(rate, channels, blockFrames)) return true;
    }
    chosen_.reset();
    return false;
  }
  void Close() override {
    if (chosen_) chosen_->Close();
  }
  bool WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) override {
    return chosen_->WaitForSpace(frameCount, timeoutMs);
  }
  void Write(const float* frames, uint32_t frameCount) override {
    chosen_->Write(frames, frameCount);
  }
  uint32_t QueuedFrames() override { return chosen_->QueuedFrames(); }
  void Discard() override { chosen_->Discard(); }
  void SetActive(bool active) override { chosen_->SetActive(active); }
  bool Starved() override { return chosen_->Starved(); }
  bool Failed() override { return chosen_->Failed(); }
  bool Reopen() override { return chosen_->Reopen(); }

 private:
  std::vector<OutputFactory> candidates_;
  std::unique_ptr<AudioOutput> chosen_;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateFallbackOutput(std::vector<OutputFactory> candidates) {
  return std::make_unique<FallbackOutput>(std::move(candidates));
}
