#include "playback/engine/engine.h"

#include <algorithm>
#include <cmath>
#include <thread>

// Behind a C-style interface of handles and plain values with no context argument, as the audio
// library it stands in for: one engine per process.
Engine g_engine;

namespace {
// Per thread, not per process: the last-error query answers for the calling thread's own call.
thread_local int t_lastError = 0;
}  // namespace

void SetEngineError(int code) {
  t_lastError = code;
}
int BASS_ErrorGetCode() {
  return t_lastError;
}

uint64_t Engine::HeardFrame() const {
  uint64_t queued = output ? output->QueuedFrames() : 0;
  return writtenFrames - std::min<uint64_t>(queued, writtenFrames);
}

Channel* Engine::Find(uint32_t handle) {
  auto found = channels.find(handle);
  return found == channels.end() ? nullptr : found->second.get();
}

void Engine::DiscardOutput() {
  if (!output) return;
  uint64_t heard = HeardFrame();
  for (auto& [handle, channel] : channels) {
    if (channel->state != Channel::State::kPlaying) continue;
    if (channel->FinishedAt(heard)) {
      channel->FinishAt(heard);
    } else {
      channel->Unmix(heard);
    }
  }
  output->Discard();
  // Frames discarded were never heard: the numbering goes on from what was.
  writtenFrames = heard;
}

bool Engine::RetireFinished() {
  uint64_t heard = HeardFrame();
  bool retired = false;
  for (auto& [handle, channel] : channels) {
    if (channel->state == Channel::State::kPlaying && channel->FinishedAt(heard)) {
      channel->FinishAt(heard);
      retired = true;
    }
  }
  return retired;
}

void Engine::NotifyStateChanged() {
  if (config.channelStateChanged) config.channelStateChanged();
}

void Engine::StopOnFailedOutput() {
  DiscardOutput();
  for (auto& [handle, channel] : channels) {
    if (channel->state == Channel::State::kPlaying) channel->state = Channel::State::kStopped;
  }
  UpdateActivity();
  NotifyStateChanged();
}

void Engine::UpdateActivity() {
  bool active = false;
  if (initialised && started) {
    for (auto& [handle, channel] : channels) {
      if (channel->state == Channel::State::kPlaying) active = true;
    }
  }
  if (active != outputActive && output) {
    outputActive = active;
    output->SetActive(active);
  }
  if (active) wake.notify_all();
}

void Engine::MixLoop() {
  std::unique_lock<std::mutex> lock(mutex);
  while (!quit) {
    if (RetireFinished()) NotifyStateChanged();
    UpdateActivity();
    if (!outputActive) {
      wake.wait(lock);
      continue;
    }
    uint32_t frames = blockFrames;
    AudioOutput* out = output.get();
    lock.unlock();
    bool space = out->WaitForSpace(frames, std::max<uint32_t>(updatePeriodMs, 5));
    lock.lock();
    // The state may have changed while waiting; what was true then is checked again.
    if (!space && !quit && output && output->Failed()) StopOnFailedOutput();
    // A stall shows in the channel's state (BASS_ACTIVE_STALLED) and so does its end.
    bool nowStarved = outputActive && output && output->Starved();
    if (nowStarved != starved) {
      starved = nowStarved;
      NotifyStateChanged();
    }
    if (!space || quit || !outputActive) continue;
    std::fill(mix.begin(), mix.begin() + frames * 2, 0.0f);
    for (auto& [handle, channel] : channels) {
      if (channel->state == Channel::State::kPlaying) {
        channel->MixInto(mix.data(), frames, writtenFrames);
      }
    }
    // std::clamp passes a NaN through; it must reach the device as silence.
    for (uint32_t i = 0; i < frames * 2; ++i) {
      mix[i] = std::isnan(mix[i]) ? 0.0f : std::clamp(mix[i], -1.0f, 1.0f);
    }
    output->Write(mix.data(), frames);
    writtenFrames += frames;
  }
}
