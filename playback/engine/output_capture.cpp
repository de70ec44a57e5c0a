#include "playback/engine/output_capture.h"

#include <algorithm>
#include <chrono>

bool CaptureOutput::Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) {
  rate_ = rate;
  channels_ = channels;
  capacity_ = blockFrames * 4;
  return true;
}

bool CaptureOutput::WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return queue_.size() / channels_ + frameCount <= capacity_; });
}

void CaptureOutput::Write(const float* frames, uint32_t frameCount) {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.insert(queue_.end(), frames, frames + static_cast<size_t>(frameCount) * channels_);
  changed_.notify_all();
}

uint32_t CaptureOutput::QueuedFrames() {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<uint32_t>(queue_.size() / channels_);
}

void CaptureOutput::Discard() {
  std::lock_guard<std::mutex> lock(mutex_);
  queue_.clear();
  changed_.notify_all();
}

void CaptureOutput::SetActive(bool active) {
  std::lock_guard<std::mutex> lock(mutex_);
  active_ = active;
  changed_.notify_all();
}

bool CaptureOutput::Failed() {
  std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

bool CaptureOutput::Reopen() {
  std::lock_guard<std::mutex> lock(mutex_);
  failed_ = !present_;
  return present_;
}

void CaptureOutput::SetDevicePresent(bool present) {
  std::lock_guard<std::mutex> lock(mutex_);
  present_ = present;
  if (!present) failed_ = true;
  changed_.notify_all();
}

void CaptureOutput::Advance(uint32_t frameCount) {
  std::unique_lock<std::mutex> lock(mutex_);
  size_t remaining = static_cast<size_t>(frameCount) * channels_;
  while (remaining > 0) {
    if (!queue_.empty()) {
      size_t take = std::min(remaining, queue_.size());
      heard_.insert(heard_.end(), queue_.begin(), queue_.begin() + static_cast<long>(take));
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<long>(take));
      remaining -= take;
      changed_.notify_all();
      continue;
    }
    // A mixing thread that never delivers must not hang a test: it counts as silence.
    bool delivered = active_ && changed_.wait_for(lock, std::chrono::seconds(2), [&] {
      return !queue_.empty() || !active_;
    }) && !queue_.empty();
    if (!delivered) {
      heard_.insert(heard_.end(), remaining, 0.0f);
      remaining = 0;
    }
  }
}

std::vector<float> CaptureOutput::TakeHeard() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<float> heard;
  heard.swap(heard_);
  return heard;
}

void UseCaptureOutput(EngineConfig* config, CaptureOutput** capture) {
  config->createOutput = [capture]() -> std::unique_ptr<AudioOutput> {
    auto output = std::make_unique<CaptureOutput>();
    *capture = output.get();
    return output;
  };
}
