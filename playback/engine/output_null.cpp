// A device that is not there: frames are taken at the output rate by the clock, and dropped.
#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include "playback/engine/engine_config.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

class NullOutput : public AudioOutput {
 public:
  bool Open(uint32_t rate, uint32_t /*channels*/, uint32_t blockFrames) override {
    rate_ = rate;
    capacity_ = std::max<uint32_t>(blockFrames * 4, rate_ * 40 / 1000);
    last_ = SteadyClock::now();
    return true;
  }
  void Close() override {}

  bool WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) override {
    auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      uint32_t queued = QueuedFrames();
      if (queued + frameCount <= capacity_) return true;
      auto now = SteadyClock::now();
      if (now >= deadline) return false;
      auto needed = std::chrono::microseconds(
          (static_cast<uint64_t>(queued + frameCount - capacity_) * 1000000) / rate_ + 1);
      std::this_thread::sleep_for(std::min<SteadyClock::duration>(needed, deadline - now));
    }
  }
  void Write(const float* /*frames*/, uint32_t frameCount) override {
    std::lock_guard<std::mutex> lock(mutex_);
    Advance();
    if (queued_ == 0) starvedSince_ = {};
    queued_ += frameCount;
  }
  uint32_t QueuedFrames() override {
    std::lock_guard<std::mutex> lock(mutex_);
    Advance();
    return static_cast<uint32_t>(queued_);
  }
  void Discard() override {
    std::lock_guard<std::mutex> lock(mutex_);
    queued_ = 0;
    starvedSince_ = {};
  }
  void SetActive(bool active) override {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = active;
    starvedSince_ = {};
  }
  bool Starved() override {
    std::lock_guard<std::mutex> lock(mutex_);
    Advance();
    // Running dry for a moment right after a start is not a stall.
    return active_ && starvedSince_ != SteadyClock::time_point{} &&
           SteadyClock::now() - starvedSince_ > std::chrono::milliseconds(30);
  }

 private:
  // Lets the clock consume what it has played since the last look.
  void Advance() {
    auto now = SteadyClock::now();
    double elapsed = std::chrono::duration<double>(now - last_).count();
    last_ = now;
    double played = elapsed * rate_ + fraction_;
    auto whole = static_cast<uint64_t>(played);
    fraction_ = played - static_cast<double>(whole);
    if (whole >= queued_) {
      if (queued_ > 0 || starvedSince_ == SteadyClock::time_point{}) starvedSince_ = now;
      queued_ = 0;
      fraction_ = 0;
    } else {
      queued_ -= whole;
    }
  }

  std::mutex mutex_;
  uint32_t rate_ = 44100;
  uint32_t capacity_ = 0;
  uint64_t queued_ = 0;
  double fraction_ = 0;
  bool active_ = false;
  SteadyClock::time_point last_;
  SteadyClock::time_point starvedSince_;
};

}  // namespace

std::unique_ptr<AudioOutput> CreateNullOutput() {
  return std::make_unique<NullOutput>();
}
