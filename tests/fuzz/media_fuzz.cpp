// Media bytes opened the way the player opens a track (as a stream, else as a tracker module),
// played for two seconds on the capture output with a seek in between. What is heard must be
// finite samples; positions must stay within the length.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "playback/engine/audio_engine.h"
#include "playback/engine/output_capture.h"
#include "tests/fuzz/memory_file_system.h"

namespace {

constexpr uint32_t kOutputRate = 22050;

// Each input is the one file of the engine's file system.
MemoryFileSystem& Files() {
  static MemoryFileSystem files;
  return files;
}

CaptureOutput* StartEngine() {
  static CaptureOutput* capture = nullptr;
  if (capture) return capture;
  EngineConfig config = DefaultEngineConfig();
  config.files = &Files();
  config.outputRate = kOutputRate;
  UseCaptureOutput(&config, &capture);
  ConfigureEngine(config);
  BASS_SetConfig(BASS_CONFIG_UPDATEPERIOD, 10);
  if (!BASS_Init(-1, 0, BASS_DEVICE_LATENCY, nullptr, nullptr)) {
    std::fprintf(stderr, "the engine does not start on the capture output\n");
    std::abort();
  }
  // The mixing thread must end before exit destroys the engine it waits in, or exit hangs.
  std::atexit([] { BASS_Free(); });
  return capture;
}

void Listen(CaptureOutput* capture, uint32_t ms) {
  capture->AdvanceMs(ms);
  for (float sample : capture->TakeHeard()) FUZZ_CHECK(std::isfinite(sample));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CaptureOutput* capture = StartEngine();
  const std::string path = "mem/track";
  Files().files[path].assign(reinterpret_cast<const char*>(data), size);

  uint32_t flags = BASS_SAMPLE_FLOAT;
  bool isMusic = false;
  uint32_t channel = BASS_StreamCreateFile(false, path.c_str(), 0, 0, flags | BASS_STREAM_PRESCAN);
  if (!channel) {
    isMusic = true;
    channel =
        BASS_MusicLoad(false, path.c_str(), 0, 0, flags | BASS_MUSIC_PRESCAN | BASS_MUSIC_RAMP, 0);
  }
  if (!channel) return 0;

  BASS_CHANNELINFO info = {};
  FUZZ_CHECK(BASS_ChannelGetInfo(channel, &info));
  FUZZ_CHECK(info.freq > 0 && info.chans > 0);
  uint64_t length = BASS_ChannelGetLength(channel);
  BASS_ChannelSetAttributes(channel, 0, 100, 0);
  FUZZ_CHECK(BASS_ChannelPlay(channel, false));
  Listen(capture, 1000);
  if (length != ~uint64_t{0}) {
    uint64_t position = BASS_ChannelGetPosition(channel);
    FUZZ_CHECK(position <= length);
    // Seeks while playing, as the rewind hotkeys do.
    BASS_ChannelSetPosition(channel, length / 2);
    Listen(capture, 500);
    BASS_ChannelSetPosition(channel, 0);
  }
  Listen(capture, 500);
  BASS_ChannelIsActive(channel);
  if (isMusic)
    FUZZ_CHECK(BASS_MusicFree(channel));
  else
    FUZZ_CHECK(BASS_StreamFree(channel));
  return 0;
}
