// How the program sets up the audio engine before BASS_Init: where the files come from, where the
// sound goes and how the engine starts its threads. Everything the engine uses of the world
// outside it is handed to it here; it looks nothing up. Filled by DefaultEngineConfig, so a new
// field never breaks a caller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/thread_starter.h"

class FileSystem;

// The most mixing blocks an output may hold queued.
constexpr uint32_t kMaxQueuedBlocks = 120;

// Where mixed sound goes: interleaved 32-bit float frames at the output rate. Open, Close and
// WaitForSpace are called without the engine's lock; the others with it held, so they must
// return at once.
class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  // False when there is no device; BASS_Init then fails. blockFrames is the mixing block (the
  // update period). An output holds at most kMaxQueuedBlocks of them: the channels keep that much
  // to mix again after a Discard.
  virtual bool Open(uint32_t rate, uint32_t channels, uint32_t blockFrames) = 0;
  virtual void Close() = 0;
  // Waits until frameCount more frames fit, at most timeoutMs; false when they still do not.
  // Mixing thread only.
  virtual bool WaitForSpace(uint32_t frameCount, uint32_t timeoutMs) = 0;
  // Queues frames after WaitForSpace said they fit; never blocks.
  virtual void Write(const float* frames, uint32_t frameCount) = 0;
  // Frames queued but not yet heard, so that positions follow what is heard.
  virtual uint32_t QueuedFrames() = 0;
  // Drops what is queued (a seek or a new track is heard at once).
  virtual void Discard() = 0;
  // Whether the engine has something to play. While inactive nothing is written, and the device
  // simply plays silence.
  virtual void SetActive(bool /*active*/) {}
  // True when the device ran dry while active: the decoder could not keep up.
  virtual bool Starved() { return false; }
  // True once the device has failed (the sound server went away): nothing written is heard.
  virtual bool Failed() { return false; }
  // Opens a failed device again; false while it is still not there. Called without the engine's
  // lock while nothing plays.
  virtual bool Reopen() { return true; }
};

struct EngineConfig {
  // Opens the media files the stream and music calls name; they fail without one. Not owned: it
  // must outlive the engine's use of it (BASS_Free).
  FileSystem* files = nullptr;
  std::function<std::unique_ptr<AudioOutput>()> createOutput;
  ThreadStarter threads;
  // Used when BASS_Init is given frequency 0.
  uint32_t outputRate = 44100;
  // Called on the mixing thread, with the engine's lock held, when a playing channel changes its
  // state by itself: its end has been heard, the output was lost under it, or the output starved
  // or recovered. It must return at once and not call the engine (the program sets an event its
  // main loop waits on), so that the loop needs no timer to notice.
  std::function<void()> channelStateChanged;
};

// No file system, a null output that consumes sound in real time, and std::thread.
EngineConfig DefaultEngineConfig();
// Takes effect at the next BASS_Init.
void ConfigureEngine(const EngineConfig& config);

// A null output: consumes frames in real time without a device.
std::unique_ptr<AudioOutput> CreateNullOutput();

using OutputFactory = std::function<std::unique_ptr<AudioOutput>()>;
// Opens the first of candidates whose output opens, and plays through that one; the others are
// never opened. Open fails when none does.
std::unique_ptr<AudioOutput> CreateFallbackOutput(std::vector<OutputFactory> candidates);
