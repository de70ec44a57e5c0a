// The engine's shared state: the output, the open channels by handle, and the mixing thread.
// Everything here is guarded by mutex; the mixing thread holds it only while it mixes one block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "playback/engine/channel.h"
#include "playback/engine/engine_config.h"

// BASS_ErrorGetCode values.
enum EngineError {
  kErrorOk = 0,
  kErrorMemory = 1,
  kErrorFileOpen = 2,
  kErrorDriver = 3,
  kErrorHandle = 5,
  kErrorFormat = 6,
  kErrorPosition = 7,
  kErrorInit = 8,
  kErrorStart = 9,
  kErrorAlready = 14,
  kErrorIllegalParameter = 20,
  kErrorNotPlaying = 24,
  kErrorNotAvailable = 37,
  kErrorUnknown = -1,
};

struct Engine {
  std::mutex mutex;
  std::condition_variable wake;  // the mixing thread waits here while there is nothing to play

  EngineConfig config;
  bool configured = false;
  uint32_t updatePeriodMs = 10;

  std::unique_ptr<AudioOutput> output;
  void* thread = nullptr;
  bool initialised = false;
  bool started = true;  // BASS_Stop / BASS_Start
  bool quit = false;
  bool outputActive = false;
  uint32_t outputRate = 44100;
  uint32_t blockFrames = 441;
  uint64_t writtenFrames = 0;  // output frames written since BASS_Init
  bool starved = false;        // as the mixing thread last saw the output
  std::vector<float> mix;

  std::map<uint32_t, std::unique_ptr<Channel>> channels;
  uint32_t nextHandle = 0x10001;

  // Output frame being heard now.
  uint64_t HeardFrame() const;
  Channel* Find(uint32_t handle);
  // Drops queued output; every playing channel takes back what was not heard, so nothing is lost.
  void DiscardOutput();
  // Stops playing channels whose data has been heard to the end; true when one was.
  bool RetireFinished();
  // The device failed under the playing channels: they stop where they were heard.
  void StopOnFailedOutput();
  // Tells the output and the mixing thread whether anything is to be played.
  void UpdateActivity();
  // Tells the program that a channel's state changed by itself (EngineConfig).
  void NotifyStateChanged();
  void MixLoop();
};

extern Engine g_engine;
// The last error of the calling thread's most recent call.
void SetEngineError(int code);
