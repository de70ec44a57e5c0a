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

// Four device buffers of up to four mixing blocks each: 160 ms at a 10 ms block, enough to ride
// over late wake-ups under Wine. Every buffer handed to waveOut costs a trip through the Wine
// server and a wake-up of the mixing thread when it is done, so blocks are gathered into one
// buffer while the device still has two or more queued; with fewer (at the start, after a seek)
// a block goes out alone at once. The queue's length does not delay a seek, a pause or a volume
// change: the engine discards what is queued and mixes it again.
constexpr int kBuffers = 4;
constexpr uint32_t kBlocksPerBuffer = 4;
constexpr int kGatherWhileQueued = 2;
// Every buffer queued and none played back for this long: the device is gone (the sound server
// stopped) and will not come back by itself.
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
    // The engine's timeout is its mixing period, which would wake this thread 100 times a second
    // for nothing: the device's event comes whenever a buffer is played or reset (a seek, a new
    // track, the end), which is all the mixing thread waits for. It still looks again now and then.
    timeoutMs = std::max<uint32_t>(timeoutMs, 50);
    DWORD start = GetTickCount();
    for (;;) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        // A device that could not be opened again takes nothing; the engine stops its channels.
        if (!wave_) failed_ = true;
        if (wave_ && (filling_ >= 0 || FreeBuffer() >= 0)) return true;
      }
      DWORD waited = GetTickCount() - start;
      if (waited >= timeoutMs) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (active_ && written_ > 0 && GetTickCount() - lastWrite_ > kDeadDeviceMs) failed_ = true;
        return false;
      }
      WaitForSingleObject(event_, timeoutMs - waited);
    }
  }

  void Write(const float* frames, uint32_t frameCount) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!wave_) return;
    if (filling_ < 0) {
      filling_ = FreeBuffer();
      if (filling_ < 0) return;
      fill_ = 0;
      inUse_[filling_] = true;
      headers_[filling_].dwFlags &= ~WHDR_DONE;
    }
    int16_t* out = data_[filling_].data() + static_cast<size_t>(fill_) * channels_;
    uint32_t count = std::min(frameCount, blockFrames_);
    for (uint32_t i = 0; i < count * channels_; ++i) {
      out[i] = static_cast<int16_t>(std::clamp(frames[i], -1.0f, 1.0f) * 32767.0f);
    }
    fill_ += count;
    written_ += count;
    lastWrite_ = GetTickCount();
    if (fill_ + blockFrames_ > blockFrames_ * kBlocksPerBuffer || Submitted() < kGatherWhileQueued)
      Submit();
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
    filling_ = -1;
    written_ = 0;
    lastPosition_ = 0;
    playedBase_ = 0;
  }

  void SetActive(bool active) override {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = active;
    // Nothing more comes to fill the gathered blocks: the end of a track must still be heard.
    if (!active && filling_ >= 0) Submit();
  }

  bool Starved() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!active_ || written_ == 0 || filling_ >= 0) return false;
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
    data_.assign(kBuffers, std::vector<int16_t>(static_cast<size_t>(blockFrames_) *
                                                kBlocksPerBuffer * channels_));
    for (int i = 0; i < kBuffers; ++i) {
      WAVEHDR& header = headers_[i];
      std::memset(&header, 0, sizeof header);
      header.lpData = reinterpret_cast<LPSTR>(data_[i].data());
      header.dwBufferLength = static_cast<DWORD>(data_[i].size() * sizeof(int16_t));
      waveOutPrepareHeader(wave_, &header, sizeof header);
      inUse_[i] = false;
    }
    filling_ = -1;
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
    filling_ = -1;
  }
  // Call with mutex_ held.
  int FreeBuffer() {
    for (int i = 0; i < kBuffers; ++i) {
      if (!inUse_[i] || (headers_[i].dwFlags & WHDR_DONE)) return i;
    }
    return -1;
  }
  // Buffers handed to the device and not yet played.
  int Submitted() {
    int count = 0;
    for (int i = 0; i < kBuffers; ++i) {
      if (i != filling_ && inUse_[i] && !(headers_[i].dwFlags & WHDR_DONE)) ++count;
    }
    return count;
  }
  void Submit() {
    WAVEHDR& header = headers_[filling_];
    header.dwBufferLength = fill_ * channels_ * sizeof(int16_t);
    header.dwFlags &= ~WHDR_DONE;
    if (waveOutWrite(wave_, &header, sizeof header) != MMSYSERR_NOERROR) {
      inUse_[filling_] = false;
      failed_ = true;
      // Never reaches the device: it must not count as waiting to be heard.
      written_ -= fill_;
    }
    filling_ = -1;
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
  int filling_ = -1;   // the buffer gathering blocks, not yet handed to the device
  uint32_t fill_ = 0;  // frames in it
};

}  // namespace

std::unique_ptr<AudioOutput> CreateWinmmOutput() {
  return std::make_unique<WinmmOutput>();
}
