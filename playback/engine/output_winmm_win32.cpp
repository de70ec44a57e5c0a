#include "playback/engine/output_winmm_win32.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

// clang-format off
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <mmsystem.h>
// clang-format on

namespace {

// Small buffers of one mixing block each, enough to ride over late wake-ups under Wine. Their
// number does not delay a seek, a pause or a volume change: the engine discards what is queued
// and mixes it again.
constexpr int kBuffers = 16;
constexpr DWORD kDeadDeviceMs = 1500;

class WinmmOutput : public AudioOutput {
 public:
  ~WinmmOutput() override { Close(); }

  bool Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) override {
    rate_ = rate;
    channels_ = channels;
    blockFrames_ = blockFrames;
    event_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!event_) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!OpenDevice()) {
      CloseHandle(event_);
      event_ = nullptr;
      return false;
    }
    return true;
  }

  void Close() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      CloseDevice();
    }
    if (event_) CloseHandle(event_);
    event_ = nullptr;
  }

  bool Failed() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return failed_;
  }

  bool Reopen() override {
    std::lock_guard<std::mutex> lock(mutex_);
    CloseDevice();
    return OpenDevice();
  }

  bool WaitForSpace(uint32_t /*frameCount*/, uint32_t timeoutMs) override {
    DWORD start = GetTickCount();
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        // A device that could not be opened again takes nothing; the engine stops its channels.
        if (!wave_) failed_ = true;
        if (wave_ && FreeBuffer() >= 0) return true;
      }
      DWORD waited = GetTickCount() - start;
      if (waited >= timeoutMs) {
        std::lock_guard<std::mutex> lock(mutex_);
        // Every buffer queued and none played back for so long: the device is gone (the sound
        // server stopped) and will not come back by itself.
        if (active_ && written_ > 0 && GetTickCount() - lastWrite_ > kDeadDeviceMs) failed_ = true;
        return false;
      }
      WaitForSingleObject(event_, timeoutMs - waited);
    }
  }

  void Write(const float* frames, uint32_t frameCount) override {
    std::lock_guard<std::mutex> lock(mutex_);
    int index = FreeBuffer();
    if (index < 0 || !wave_) return;
    WAVEHDR& header = headers_[index];
    int16_t* out = data_[index].data();
    uint32_t count = std::min(frameCount, blockFrames_) * channels_;
    for (uint32_t i = 0; i < count; ++i) {
      out[i] = static_cast<int16_t>(std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f);
    }
    header.dwBufferLength = count * sizeof(int16_t);
    header.dwFlags &= ~WHDR_DONE;
    inUse_[index] = true;
    if (waveOutWrite(wave_, &header, sizeof header) != MMSYSERR_NOERROR) {
      inUse_[index] = false;
      failed_ = true;
      return;
    }
    written_ += count / channels_;
    lastWrite_ = GetTickCount();
  }

  uint32_t QueuedFrames() override {
    std::lock_guard<std::mutex> lock(mutex_);
    uint64_t played = Played();
    return written_ > played ? static_cast<uint32_t>(written_ - played) : 0;
  }

  void Discard() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!wave_) return;
    // Returns every buffer and sets the device position back to 0.
    waveOutReset(wave_);
    for (bool& used : inUse_) used = false;
    written_ = 0;
    lastPosition_ = 0;
    playedBase_ = 0;
  }

  void SetActive(bool active) override {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = active;
  }

  bool Starved() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_ || written_ == 0) return false;
    for (int i = 0; i < kBuffers; ++i) {
      if (inUse_[i] && !(headers_[i].dwFlags & WHDR_DONE)) return false;
    }
    return GetTickCount() - lastWrite_ > 30;
  }

 private:
  // Call with mutex_ held.
  bool OpenDevice() {
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels_);
    format.nSamplesPerSec = rate_;
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(channels_ * 2);
    format.nAvgBytesPerSec = rate_ * format.nBlockAlign;
    if (waveOutOpen(&wave_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event_), 0,
                    CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      wave_ = nullptr;
      return false;
    }
    data_.assign(kBuffers, std::vector<int16_t>(static_cast<size_t>(blockFrames_) * channels_));
    for (int i = 0; i < kBuffers; ++i) {
      WAVEHDR& header = headers_[i];
      std::memset(&header, 0, sizeof header);
      header.lpData = reinterpret_cast<LPSTR>(data_[i].data());
      header.dwBufferLength = static_cast<DWORD>(data_[i].size() * sizeof(int16_t));
      waveOutPrepareHeader(wave_, &header, sizeof header);
      inUse_[i] = false;
    }
    written_ = 0;
    lastPosition_ = 0;
    playedBase_ = 0;
    failed_ = false;
    return true;
  }
  // Call with mutex_ held.
  void CloseDevice() {
    if (!wave_) return;
    waveOutReset(wave_);
    for (WAVEHDR& header : headers_) waveOutUnprepareHeader(wave_, &header, sizeof header);
    waveOutClose(wave_);
    wave_ = nullptr;
    for (bool& used : inUse_) used = false;
  }
  // Call with mutex_ held.
  int FreeBuffer() {
    for (int i = 0; i < kBuffers; ++i) {
      if (!inUse_[i] || (headers_[i].dwFlags & WHDR_DONE)) return i;
    }
    return -1;
  }
  // Frames the device has played since the last reset; its sample counter is 32 bits wide.
  uint64_t Played() {
    MMTIME time = {};
    time.wType = TIME_SAMPLES;
    if (!wave_ || waveOutGetPosition(wave_, &time, sizeof time) != MMSYSERR_NOERROR ||
        time.wType != TIME_SAMPLES) {
      return playedBase_ + lastPosition_;
    }
    if (time.u.sample < lastPosition_) playedBase_ += uint64_t{1} << 32;
    lastPosition_ = time.u.sample;
    return playedBase_ + lastPosition_;
  }

  std::mutex mutex_;
  HWAVEOUT wave_ = nullptr;
  HANDLE event_ = nullptr;
  WAVEHDR headers_[kBuffers] = {};
  bool inUse_[kBuffers] = {};
  std::vector<std::vector<int16_t>> data_;
  uint32_t rate_ = 44100;
  uint32_t channels_ = 2;
  uint32_t blockFrames_ = 0;
  uint64_t written_ = 0;
  DWORD lastPosition_ = 0;
  uint64_t playedBase_ = 0;
  DWORD lastWrite_ = 0;
  bool active_ = false;
  bool failed_ = false;
};

DWORD WINAPI RunThread(LPVOID parameter) {
  auto* fn = static_cast<std::function<void()>*>(parameter);
  (*fn)();
  delete fn;
  return 0;
}

}  // namespace

std::unique_ptr<AudioOutput> CreateWinmmOutput() {
  return std::make_unique<WinmmOutput>();
}

ThreadStarter Win32ThreadStarter() {
  ThreadStarter starter;
  starter.start = [](std::function<void()> fn) -> void* {
    auto* owned = new std::function<void()>(std::move(fn));
    HANDLE thread = CreateThread(nullptr, 0, RunThread, owned, 0, nullptr);
    if (!thread) {
      delete owned;
      return nullptr;
    }
    // Mixing must not wait behind the UI thread.
    SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    return thread;
  };
  starter.join = [](void* thread) {
    WaitForSingleObject(static_cast<HANDLE>(thread), INFINITE);
    CloseHandle(static_cast<HANDLE>(thread));
  };
  return starter;
}
